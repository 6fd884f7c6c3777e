#include "fake_runtime_support_win.h"

#include <shlobj.h>

#include <algorithm>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "test_paths_win.h"

namespace tarven::test {
FakeRuntime::FakeRuntime(const std::wstring& root, RuntimeScope scope, const std::wstring& switches,
                         const std::wstring& version)
    : folder_(root + L"\\" + version),
      dll_(folder_ + L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"),
      log_path_(root + L"\\fake-webview2.log"),
      log_variable_(L"FAKE_WEBVIEW2_LOG", log_path_),
      switches_variable_(L"FAKE_WEBVIEW2", switches.empty() ? std::nullopt : std::optional<std::wstring>(switches)),
      // Registered runtimes are only looked up when no fixed folder is given.
      fixed_folder_variable_(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", scope == RuntimeScope::fixed_version
                                                                        ? std::optional<std::wstring>(folder_)
                                                                        : std::nullopt) {}

Status FakeRuntime::place(RuntimeScope scope, Companion companion) {
    const std::wstring dll_folder = folder_ + L"\\EBWebView\\x64";
    const int made = ::SHCreateDirectoryExW(nullptr, dll_folder.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS) {
        return fail("SHCreateDirectoryExW: " + render_os_error(static_cast<DWORD>(made)));
    }
    if (!::CopyFileW(fake_runtime_dll().c_str(), dll_.c_str(), FALSE)) {
        return fail("CopyFileW: " + render_os_error(::GetLastError()));
    }
    const std::wstring companion_copy = dll_folder + L"\\FakeRuntimeCompanion.dll";
    if (companion == Companion::beside_runtime &&
        !::CopyFileW(fake_runtime_companion_dll().c_str(), companion_copy.c_str(), FALSE)) {
        return fail("CopyFileW: " + render_os_error(::GetLastError()));
    }
    if (!::CopyFileW(windows_path(TARVEN_FAKE_BROWSER_EXE).c_str(), (dll_folder + L"\\FakeBrowser.exe").c_str(),
                     FALSE)) {
        return fail("CopyFileW: " + render_os_error(::GetLastError()));
    }
    if (scope == RuntimeScope::fixed_version) return {};
    const bool machine = scope == RuntimeScope::per_machine;
    registry_.emplace(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, machine ? KEY_WOW64_32KEY : 0,
                      webview2_client_state_key, L"EBWebView");
    return registry_->set(folder_);
}

Result<std::unique_ptr<FakeRuntime>> install_fake_runtime(const std::wstring& root, RuntimeScope scope,
                                                          const std::wstring& switches, const std::wstring& version,
                                                          Companion companion) {
    auto runtime = std::make_unique<FakeRuntime>(root, scope, switches, version);
    if (const Status placed = runtime->place(scope, companion); !placed) return fail(placed.error());
    return runtime;
}

std::wstring fake_runtime_dll() { return windows_path(TARVEN_FAKE_WEBVIEW2_DLL); }

std::wstring fake_runtime_companion_dll() { return windows_path(TARVEN_FAKE_WEBVIEW2_COMPANION_DLL); }

bool FakeLog::has(std::string_view line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

std::optional<std::size_t> FakeLog::find(std::string_view prefix, std::size_t from) const {
    for (std::size_t i = from; i < lines.size(); ++i)
        if (lines[i].starts_with(prefix)) return i;
    return std::nullopt;
}

std::vector<std::string> FakeLog::starting_with(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.starts_with(prefix)) found.push_back(line);
    return found;
}

bool FakeLog::in_order(const std::vector<std::string_view>& prefixes) const {
    std::size_t from = 0;
    for (const std::string_view prefix : prefixes) {
        const auto at = find(prefix, from);
        if (!at) return false;
        from = *at + 1;
    }
    return true;
}

FakeLog read_fake_log(const std::wstring& path) {
    FakeLog log;
    const std::string text = read_file_bytes(path).value_or(std::string());
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a line still being written
        log.lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return log;
}

std::optional<FakeLog> wait_for_fake_log_line(const std::wstring& path, std::string_view prefix,
                                              std::chrono::milliseconds limit) {
    std::optional<FakeLog> found;
    const bool seen = poll_until(
        [&] {
            FakeLog log = read_fake_log(path);
            if (!log.find(prefix)) return false;
            found = std::move(log);
            return true;
        },
        limit);
    return seen ? found : std::nullopt;
}

}  // namespace tarven::test
