#pragma once
// The fake WebView2 runtime (tests/fixtures/fake-webview2) installed for one test, and what it
// recorded.
//
// Parallel tests: the registry values live in the Wine prefix, which the tests of a build share
// and CTest runs side by side. A test that registers the fake (per_user, per_machine) would make
// a runtime appear to a test beside it that expects none. So such a test carries the CTest
// RESOURCE_LOCK "webview2-registry" (tests/win/CMakeLists.txt), and so must every test that
// depends on no runtime being installed. A test that only needs some runtime should prefer
// fixed_version: it goes through WEBVIEW2_BROWSER_EXECUTABLE_FOLDER, which lives in this
// process's environment and its children's, and touches nothing shared.
//
// On a real machine the registry scopes would write a runtime's registration: a case that uses
// one requires Wine (TARVEN_REQUIRE_WINE, in a suite named *Registered in the Windows tests).
#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "process_support_win.h"
#include "registry_support_win.h"

namespace tarven::test {

inline constexpr std::wstring_view fake_runtime_default_version = L"128.0.2739.42";

// Where the launcher is to find the fake.
enum class RuntimeScope {
    per_user,       // HKCU ClientState value EBWebView
    per_machine,    // HKLM, 32-bit registry view, ClientState value EBWebView
    fixed_version,  // WEBVIEW2_BROWSER_EXECUTABLE_FOLDER, no registry
};

// FakeRuntimeCompanion.dll, which the fake imports as the real runtime imports the DLLs beside it:
// put there, or left out (to be placed where a planted DLL would wait).
enum class Companion { beside_runtime, left_out };

// The EdgeUpdate key that holds EBWebView, below HKLM (32-bit view) or HKCU.
inline constexpr wchar_t webview2_client_state_key[] =
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

// A fake runtime in place: the DLL (and, unless left out, its companion) copied to
// <root>\<version>\EBWebView\x64\, found through the chosen scope, with FAKE_WEBVIEW2_LOG (and
// FAKE_WEBVIEW2) set for this process and the ones it starts. Going out of scope removes the
// registry value and puts the environment back; the files stay with the root folder.
class FakeRuntime {
public:
    FakeRuntime(const std::wstring& root, RuntimeScope scope, const std::wstring& switches,
                const std::wstring& version);
    FakeRuntime(const FakeRuntime&) = delete;
    FakeRuntime& operator=(const FakeRuntime&) = delete;

    const std::wstring& folder() const { return folder_; }  // <root>\<version>
    const std::wstring& dll() const { return dll_; }
    const std::wstring& log_path() const { return log_path_; }

    // Copies the DLLs into place and writes the registry value of `scope`, if it has one.
    Status place(RuntimeScope scope, Companion companion);

private:
    std::wstring folder_, dll_, log_path_;
    std::optional<RegistryValueGuard> registry_;
    EnvironmentOverride log_variable_;
    EnvironmentOverride switches_variable_;
    EnvironmentOverride fixed_folder_variable_;
};

// `switches` become FAKE_WEBVIEW2 (e.g. L"no-complete,slow-load=500"); none when empty.
Result<std::unique_ptr<FakeRuntime>> install_fake_runtime(
    const std::wstring& root, RuntimeScope scope = RuntimeScope::per_user, const std::wstring& switches = L"",
    const std::wstring& version = std::wstring(fake_runtime_default_version),
    Companion companion = Companion::beside_runtime);

// The fake's DLL and its companion as the build made them.
std::wstring fake_runtime_dll();
std::wstring fake_runtime_companion_dll();

// The fake's record, one entry per line (see tests/fixtures/fake-webview2/README.md).
struct FakeLog {
    std::vector<std::string> lines;

    bool has(std::string_view line) const;
    // Index of the first line at or after `from` that begins with `prefix`.
    std::optional<std::size_t> find(std::string_view prefix, std::size_t from = 0) const;
    std::vector<std::string> starting_with(std::string_view prefix) const;
    // Whether lines beginning with each of `prefixes` come in this order (others may lie between).
    bool in_order(const std::vector<std::string_view>& prefixes) const;
};

FakeLog read_fake_log(const std::wstring& path);

// The record once a line beginning with `prefix` is in it, or nothing after `limit`.
std::optional<FakeLog> wait_for_fake_log_line(const std::wstring& path, std::string_view prefix,
                                              std::chrono::milliseconds limit = std::chrono::seconds(20));

}  // namespace tarven::test
