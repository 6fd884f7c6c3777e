#include "bin/tarven-help/launcher_win.h"

#include <windows.h>
#include <shellapi.h>

#include "base/unique_resource_win.h"
#include "payload/embedded_payload.h"
#include "smoke/smoke_run_win.h"
#include "bin/tarven-help/normal_run_win.h"

namespace tarven {
namespace {

std::vector<std::wstring> command_line_arguments() {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const unique_hlocal owner(arguments);
    if (arguments == nullptr) return {};
    return std::vector<std::wstring>(arguments, arguments + count);
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
