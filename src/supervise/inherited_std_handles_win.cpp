#include "supervise/inherited_std_handles_win.h"

#include "base/std_handles_win.h"

namespace tarven {

InheritedStdHandles::InheritedStdHandles() {
    startup_.StartupInfo.cb = sizeof startup_.StartupInfo;
    startup_.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup_.StartupInfo.hStdInput = copy_of(STD_INPUT_HANDLE);
    startup_.StartupInfo.hStdOutput = copy_of(STD_OUTPUT_HANDLE);
    startup_.StartupInfo.hStdError = copy_of(STD_ERROR_HANDLE);
    if (listed_.empty()) return;
    if (list_copies()) {
        startup_.StartupInfo.cb = sizeof startup_;
        return;
    }
    // Without the list the copies cannot be passed alone: the program gets none.
    startup_.StartupInfo.hStdInput = startup_.StartupInfo.hStdOutput = startup_.StartupInfo.hStdError = nullptr;
}

InheritedStdHandles::~InheritedStdHandles() {
    if (startup_.lpAttributeList != nullptr) ::DeleteProcThreadAttributeList(startup_.lpAttributeList);
}

HANDLE InheritedStdHandles::copy_of(DWORD which) {
    const HANDLE own = usable_std_handle(which);
    if (own == nullptr) return nullptr;
    for (const auto& [source, copy] : copies_)
        if (source == own) return copy.get();
    HANDLE copy = nullptr;
    const HANDLE self = ::GetCurrentProcess();
    if (!::DuplicateHandle(self, own, self, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS)) return nullptr;
    copies_.emplace_back(own, unique_handle(copy));
    listed_.push_back(copy);
    return copy;
}

bool InheritedStdHandles::list_copies() {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    attribute_memory_.resize(size);
    const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attribute_memory_.data());
    if (size == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
    if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, listed_.data(),
                                     listed_.size() * sizeof(HANDLE), nullptr, nullptr)) {
        ::DeleteProcThreadAttributeList(list);
        return false;
    }
    startup_.lpAttributeList = list;
    return true;
}

}  // namespace tarven
