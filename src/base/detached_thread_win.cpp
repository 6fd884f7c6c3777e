#include "base/detached_thread_win.h"

#include <windows.h>

#include <memory>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"

namespace tarven {
namespace {

DWORD WINAPI run_detached(void* parameter) noexcept {
    const std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
    try {
        (*work)();
    } catch (...) {
        // Nothing may leave a thread function.
    }
    return 0;
}

}  // namespace

Status start_detached_thread(std::function<void()> work) {
    auto owned = std::make_unique<std::function<void()>>(std::move(work));
    const unique_handle thread(::CreateThread(nullptr, 0, run_detached, owned.get(), 0, nullptr));
    if (!thread) return fail(render_os_error(::GetLastError()));
    (void)owned.release();  // the thread owns its work now
    return {};
}

}  // namespace tarven
