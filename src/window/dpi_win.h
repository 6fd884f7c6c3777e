#pragma once
// Dots per inch of monitors and windows, and the process's per-monitor awareness. Functions that
// older systems lack are looked up at run time, each with the older way as fallback.
#include <windows.h>

namespace tarven {

// Per-monitor aware (version 2 where the system has it); once per process, results not reported.
void make_process_dpi_aware();

// The DPI that the window is drawn at now: that of the monitor it is on.
UINT dpi_of_window(HWND hwnd);

// Logical pixels (1/96 inch) as physical ones at `dpi`, to the nearest whole pixel.
int physical_pixels(int logical, UINT dpi);

// The outer size of a window whose client area is `client` physical pixels, at `dpi`.
SIZE outer_size_for_client(SIZE client, DWORD style, DWORD ex_style, UINT dpi);

}  // namespace tarven
