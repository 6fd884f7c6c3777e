#include "bin/tarven-help/launcher_win.h"

#include <windows.h>
#include <shellapi.h>

#include "base/console_win.h"
#include "base/unique_resource_win.h"
#include "payload/embedded_payload.h"
#include "smoke/smoke_run_win.h"
#include "supervise/browser_fallback_win.h"
#include "supervise/starter_thread_failure_win.h"
#include "supervise/starter_win.h"

namespace tarven {
namespace {

// Until the help window exists nothing reads the starter's events: the browser fallback
// watches the port file and the application itself.
class UnreadSink final : public EventSink {
public:
    void post(HelpEvent) noexcept override {}
};

std::vector<std::wstring> command_line_arguments() {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const unique_hlocal owner(arguments);
    if (arguments == nullptr) return {};
    return std::vector<std::wstring>(arguments, arguments + count);
}

int run_normal() {
    auto made = make_work_folder();
    if (!made) {
        write_error_line("Tarven Help: " + made.error());
        return 1;
    }
    const WorkFolder folder = std::move(made).value();
    const auto child = AppChild::make();
    if (auto thread = start_starter_thread({embedded_payload(), folder, child, std::make_unique<UnreadSink>(), {}});
        !thread)
        return end_without_starter(folder, thread.error());
    return open_in_browser(folder, *child);
}

}  // namespace

// Exactly these twelve characters. The comparison is on UTF-16 units, so an argument that is
// not valid UTF-16 (a lone surrogate) can never match.
bool is_smoke_test_switch(const std::wstring& argument) { return argument == L"--smoke-test"; }

int run_launcher() {
    for (const std::wstring& argument : command_line_arguments())
        if (is_smoke_test_switch(argument)) return run_smoke_test(embedded_payload());
    return run_normal();
}

}  // namespace tarven
