#include "bin/tarven-help/launcher_win.h"

#include <cstdlib>

#include "payload/embedded_payload.h"
#include "smoke/smoke_run_win.h"
#include "bin/tarven-help/normal_run_win.h"

namespace tarven {
namespace {

// As the C runtime parsed them before the entry. Not CommandLineToArgvW: shell32 would be an import,
// and its imports are resolved before SetDefaultDllDirectories can run, from wherever the loader
// looks first (CommandLineToArgvW is forwarded to shcore).
std::vector<std::wstring> command_line_arguments() {
    if (__wargv == nullptr || __argc <= 0) return {};
    return std::vector<std::wstring>(__wargv, __wargv + __argc);
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
