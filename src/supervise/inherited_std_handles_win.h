#pragma once
// The launcher's standard handles, passed on to a program it starts, and nothing else of its.
#include <windows.h>

#include <utility>
#include <vector>

#include "base/unique_resource_win.h"

namespace tarven {

// Start-up information that hands exactly the launcher's standard handles to a new process:
// inheritable copies (its own may not be marked inheritable), named in the start-up information
// (a GUI program gets them only that way) and listed in PROC_THREAD_ATTRIBUTE_HANDLE_LIST, so
// that no other inheritable handle of the launcher goes along. Where the launcher has none, the
// start inherits nothing: an empty list would let every inheritable handle through again.
class InheritedStdHandles {
public:
    InheritedStdHandles();
    ~InheritedStdHandles();
    InheritedStdHandles(const InheritedStdHandles&) = delete;
    InheritedStdHandles& operator=(const InheritedStdHandles&) = delete;

    // What CreateProcessW takes: the start-up information, whether to inherit handles, and the
    // creation flag that says the start-up information carries the list.
    STARTUPINFOW* startup() { return &startup_.StartupInfo; }
    BOOL inherit_handles() const { return startup_.lpAttributeList != nullptr; }
    DWORD creation_flags() const { return inherit_handles() ? EXTENDED_STARTUPINFO_PRESENT : 0; }

private:
    HANDLE copy_of(DWORD which);
    bool list_copies();

    // One copy per distinct handle: stdout and stderr are often the same, and a handle listed
    // twice makes the start fail.
    std::vector<std::pair<HANDLE, unique_handle>> copies_;
    std::vector<HANDLE> listed_;
    std::vector<unsigned char> attribute_memory_;
    STARTUPINFOEXW startup_{};
};

}  // namespace tarven
