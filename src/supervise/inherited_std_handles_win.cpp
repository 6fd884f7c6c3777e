#include "supervise/inherited_std_handles_win.h"

namespace tarven {
namespace {

unique_handle inheritable_copy(DWORD which) {
    const HANDLE own = ::GetStdHandle(which);
    if (own == nullptr || own == INVALID_HANDLE_VALUE) return {};
    HANDLE copy = nullptr;
    const HANDLE self = ::GetCurrentProcess();
    if (!::DuplicateHandle(self, own, self, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS)) return {};
    return unique_handle(copy);
}

}  // namespace

InheritedStdHandles::InheritedStdHandles()
    : input_(inheritable_copy(STD_INPUT_HANDLE)),
      output_(inheritable_copy(STD_OUTPUT_HANDLE)),
      error_(inheritable_copy(STD_ERROR_HANDLE)) {}

void InheritedStdHandles::fill(STARTUPINFOW& startup) const {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = input_.get();
    startup.hStdOutput = output_.get();
    startup.hStdError = error_.get();
}

}  // namespace tarven
