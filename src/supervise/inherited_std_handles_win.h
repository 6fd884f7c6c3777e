#pragma once
// The launcher's standard handles, passed on to a program it starts, and nothing else of its;
// and, when given one, the job the program starts in.
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
//
// A job given here goes into the same attribute list as PROC_THREAD_ATTRIBUTE_JOB_LIST, so the
// process is in it before any of its code runs; without standard handles the list then holds
// the job alone and still nothing is inherited. Systems before Windows 10 refuse that entry:
// `carries_job` says whether the list holds it.
class InheritedStdHandles {
public:
    explicit InheritedStdHandles(HANDLE job = nullptr);
    ~InheritedStdHandles();
    InheritedStdHandles(const InheritedStdHandles&) = delete;
    InheritedStdHandles& operator=(const InheritedStdHandles&) = delete;

    // What CreateProcessW takes: the start-up information, whether to inherit handles, and the
    // creation flag that says the start-up information carries the list.
    STARTUPINFOW* startup() { return &startup_.StartupInfo; }
    BOOL inherit_handles() const { return handles_listed_; }
    DWORD creation_flags() const { return startup_.lpAttributeList != nullptr ? EXTENDED_STARTUPINFO_PRESENT : 0; }
    bool carries_job() const { return job_listed_; }

private:
    HANDLE copy_of(DWORD which);
    void make_list();

    // One copy per distinct handle: stdout and stderr are often the same, and a handle listed
    // twice makes the start fail.
    std::vector<std::pair<HANDLE, unique_handle>> copies_;
    std::vector<HANDLE> listed_;
    // UpdateProcThreadAttribute keeps a pointer to the value, not a copy.
    HANDLE job_ = nullptr;
    bool handles_listed_ = false;
    bool job_listed_ = false;
    std::vector<unsigned char> attribute_memory_;
    STARTUPINFOEXW startup_{};
};

}  // namespace tarven
