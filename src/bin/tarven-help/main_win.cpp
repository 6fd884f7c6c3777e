// The process entry of Tarven Help.exe.
#include <windows.h>

#include "bin/tarven-help/launcher_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything else: libraries come from System32 only, never from the folder the
    // launcher was started from (a Downloads folder may hold planted DLLs).
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return tarven::run_launcher();
}
