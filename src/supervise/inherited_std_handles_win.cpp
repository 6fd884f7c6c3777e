#include "supervise/inherited_std_handles_win.h"

#include "base/std_handles_win.h"

namespace tarven {

InheritedStdHandles::InheritedStdHandles(HANDLE job) : job_(job) {
    startup_.StartupInfo.cb = sizeof startup_.StartupInfo;
    startup_.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup_.StartupInfo.hStdInput = copy_of(STD_INPUT_HANDLE);
    startup_.StartupInfo.hStdOutput = copy_of(STD_OUTPUT_HANDLE);
    startup_.StartupInfo.hStdError = copy_of(STD_ERROR_HANDLE);
    make_list();
    if (startup_.lpAttributeList != nullptr) startup_.StartupInfo.cb = sizeof startup_;
    // Without the list the copies cannot be passed alone: the program gets none.
    if (!handles_listed_)
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
    unique_handle copy;
    const HANDLE self = ::GetCurrentProcess();
    if (!::DuplicateHandle(self, own, self, copy.put(), 0, TRUE, DUPLICATE_SAME_ACCESS)) return nullptr;
    const HANDLE inherited = copy.get();
    copies_.emplace_back(own, std::move(copy));
    listed_.push_back(inherited);
    return inherited;
}

// Each entry on its own: a refused job entry still lets the handles go, and the other way round.
void InheritedStdHandles::make_list() {
    const DWORD entries = (listed_.empty() ? 0 : 1) + (job_ == nullptr ? 0 : 1);
    if (entries == 0) return;
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, entries, 0, &size);
    attribute_memory_.resize(size);
    const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attribute_memory_.data());
    if (size == 0 || !::InitializeProcThreadAttributeList(list, entries, 0, &size)) return;
    handles_listed_ =
        !listed_.empty() && ::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, listed_.data(),
                                                        listed_.size() * sizeof(HANDLE), nullptr, nullptr);
    job_listed_ = job_ != nullptr && ::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_JOB_LIST, &job_,
                                                                 sizeof job_, nullptr, nullptr);
    if (!handles_listed_ && !job_listed_) {
        ::DeleteProcThreadAttributeList(list);
        return;
    }
    startup_.lpAttributeList = list;
}

}  // namespace tarven
