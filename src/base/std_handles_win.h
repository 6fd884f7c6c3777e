#pragma once
#include <windows.h>

namespace tarven {

// The process's standard handle `which` (STD_INPUT_HANDLE, …) when it is a stream to write to
// or pass on (see std_handles.h); null otherwise.
HANDLE usable_std_handle(DWORD which);

}  // namespace tarven
