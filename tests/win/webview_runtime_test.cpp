// Finding and loading the WebView2 runtime: the EdgeUpdate registry values (written into this
// test's own Wine prefix and removed again), the environment's overrides, and what each failure
// says. No runtime exists here; a library without the runtime's entry stands in where one must load.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "registry_support_win.h"
#include "surroundings_win.h"
#include "test_paths_win.h"
#include "window/webview_runtime_win.h"

namespace tarven {
namespace {

constexpr wchar_t state_key[] = L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
constexpr wchar_t beta_state_key[] =
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}";
constexpr wchar_t canary_state_key[] =
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{65C35B14-6C1D-4122-AC46-7148CC9D6497}";
constexpr wchar_t folder_policy_key[] = L"Software\\Policies\\Microsoft\\Edge\\WebView2\\BrowserExecutableFolder";
constexpr wchar_t fixed_folder_variable[] = L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER";
constexpr wchar_t arguments_variable[] = L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS";
constexpr wchar_t search_kind_variable[] = L"WEBVIEW2_CHANNEL_SEARCH_KIND";

void set_registered_folder(HKEY root, REGSAM view, const std::wstring& folder, const wchar_t* key_name = state_key) {
    HKEY created = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(root, key_name, 0, nullptr, 0, KEY_WRITE | view, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const unique_hkey key(created);
    ASSERT_EQ(::RegSetValueExW(key.get(), L"EBWebView", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                               static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

void remove_registered_folders() {
    for (const wchar_t* key : {state_key, beta_state_key, canary_state_key}) {
        for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, view, 0);
            ::RegDeleteKeyExW(HKEY_CURRENT_USER, key, view, 0);
        }
    }
}

std::wstring executable_folder() {
    wchar_t path[MAX_PATH] = {};
    const std::wstring exe(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
    return exe.substr(0, exe.find_last_of(L'\\'));
}

std::wstring temp_path() {
    wchar_t buffer[MAX_PATH + 1] = {};
    return std::wstring(buffer, ::GetTempPathW(MAX_PATH + 1, buffer));
}

// Wine reuses process ids from run to run; the clock tells runs apart.
std::wstring unique_stamp() {
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    return std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

// A runtime folder of its own for each call; `with_library` puts a loadable module (the stand-in
// application, which has no environment entry) where the runtime's client library belongs.
std::wstring make_runtime_folder(bool with_library, const std::wstring& parent = temp_path()) {
    static int count = 0;
    const std::wstring folder = parent + L"webview-runtime-test-" + unique_stamp() + L"-" + std::to_wstring(++count);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    if (with_library) {
        ::CreateDirectoryW((folder + L"\\EBWebView").c_str(), nullptr);
        ::CreateDirectoryW((folder + L"\\EBWebView\\x64").c_str(), nullptr);
        const std::wstring library = folder + L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";
        EXPECT_TRUE(::CopyFileW(test::standin_exe().c_str(), library.c_str(), FALSE)) << library.c_str();
    }
    return folder;
}

class WebViewRuntime : public ::testing::Test {
protected:
    // Every case writes or removes the runtime's registrations, which a real machine's runtime needs.
    void SetUp() override {
        TARVEN_REQUIRE_WINE("it writes the WebView2 runtime's registrations");
        ::SetEnvironmentVariableW(fixed_folder_variable, nullptr);
        ::SetEnvironmentVariableW(arguments_variable, nullptr);
        ::SetEnvironmentVariableW(search_kind_variable, nullptr);
        remove_registered_folders();
    }
    void TearDown() override { SetUp(); }
};

TEST_F(WebViewRuntime, IsNotInstalledWithoutARegisteredFolderThatHoldsTheLibrary) {
    auto found = find_webview_runtime();
    ASSERT_FALSE(found);
    EXPECT_EQ(found.error(), "the WebView2 runtime is not installed");

    set_registered_folder(HKEY_CURRENT_USER, KEY_WOW64_32KEY, make_runtime_folder(false));
    set_registered_folder(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, make_runtime_folder(false));
    found = find_webview_runtime();
    ASSERT_FALSE(found);
    EXPECT_EQ(found.error(), "the WebView2 runtime is not installed");

    set_registered_folder(HKEY_CURRENT_USER, KEY_WOW64_32KEY, L"");
    found = find_webview_runtime();
    ASSERT_FALSE(found);
    EXPECT_EQ(found.error(), "the WebView2 runtime is not installed");
}

TEST_F(WebViewRuntime, TakesTheMachinesInstallBeforeTheUsers) {
    const std::wstring machine = make_runtime_folder(true);
    const std::wstring user = make_runtime_folder(true);

    set_registered_folder(HKEY_CURRENT_USER, KEY_WOW64_32KEY, user);
    auto found = find_webview_runtime();
    ASSERT_TRUE(found) << found.error();
    EXPECT_EQ(found.value().folder, user);
    EXPECT_EQ(found.value().type, webview2::WebView2RunTimeType::installed);

    set_registered_folder(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, machine);
    found = find_webview_runtime();
    ASSERT_TRUE(found) << found.error();
    EXPECT_EQ(found.value().folder, machine);

    // A machine-wide value left behind by an uninstalled runtime does not hide the user's.
    set_registered_folder(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, make_runtime_folder(false));
    found = find_webview_runtime();
    ASSERT_TRUE(found) << found.error();
    EXPECT_EQ(found.value().folder, user);
}

TEST_F(WebViewRuntime, ReadsTheMachinesValueInThe32BitView) {
    set_registered_folder(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, make_runtime_folder(true));
    auto found = find_webview_runtime();
    ASSERT_FALSE(found);
    EXPECT_EQ(found.error(), "the WebView2 runtime is not installed");
}

TEST_F(WebViewRuntime, HonoursAFixedVersionFolderFromTheEnvironment) {
    set_registered_folder(HKEY_CURRENT_USER, KEY_WOW64_32KEY, make_runtime_folder(true));
    const std::wstring fixed = make_runtime_folder(false);
    ::SetEnvironmentVariableW(fixed_folder_variable, fixed.c_str());

    auto found = find_webview_runtime();
    ASSERT_TRUE(found) << found.error();
    EXPECT_EQ(found.value().folder, fixed);
    EXPECT_EQ(found.value().type, webview2::WebView2RunTimeType::fixed_version);

    // Taken as given, so a folder without the library is a runtime that cannot be loaded.
    const auto loaded = load_webview_runtime(found.value());
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error(), "the WebView2 runtime at " + narrow_lossy(fixed) +
                                  " could not be loaded: " + render_os_error(ERROR_MOD_NOT_FOUND));

    // A relative folder is the executable's, made full: the library loads only by a full path.
    const std::wstring beside = make_runtime_folder(true, executable_folder() + L"\\");
    const std::wstring relative = L".\\" + beside.substr(beside.find_last_of(L'\\') + 1) + L"\\";
    ::SetEnvironmentVariableW(fixed_folder_variable, relative.c_str());
    found = find_webview_runtime();
    ASSERT_TRUE(found) << found.error();
    EXPECT_EQ(found.value().folder, beside);
    EXPECT_EQ(load_webview_runtime(found.value()).error(), "the WebView2 runtime has no environment entry");
}

TEST_F(WebViewRuntime, FindsAPreviewChannelByItsOwnRegistration) {
    const std::wstring beta = make_runtime_folder(true);
    const std::wstring canary = make_runtime_folder(true);
    set_registered_folder(HKEY_CURRENT_USER, KEY_WOW64_32KEY, canary, canary_state_key);
    set_registered_folder(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, beta, beta_state_key);
    auto found = find_webview_runtime();
    ASSERT_TRUE(found) << found.error();
    EXPECT_EQ(found.value().folder, beta);
    EXPECT_EQ(found.value().type, webview2::WebView2RunTimeType::installed);

    ::SetEnvironmentVariableW(search_kind_variable, L"1");
    found = find_webview_runtime();
    ASSERT_TRUE(found) << found.error();
    EXPECT_EQ(found.value().folder, canary);
}

TEST_F(WebViewRuntime, HonoursAFolderPinnedByPolicy) {
    set_registered_folder(HKEY_CURRENT_USER, KEY_WOW64_32KEY, make_runtime_folder(true));
    wchar_t path[MAX_PATH] = {};
    const std::wstring exe(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
    const std::wstring pinned = make_runtime_folder(false);
    test::RegistryValueGuard by_name(HKEY_CURRENT_USER, 0, folder_policy_key, exe.substr(exe.find_last_of(L'\\') + 1));
    ASSERT_TRUE(by_name.set(pinned).ok());
    test::RegistryValueGuard for_all(HKEY_CURRENT_USER, 0, folder_policy_key, L"*");
    ASSERT_TRUE(for_all.set(make_runtime_folder(false)).ok());
    auto found = find_webview_runtime();
    ASSERT_TRUE(found) << found.error();
    EXPECT_EQ(found.value().folder, pinned);
    EXPECT_EQ(found.value().type, webview2::WebView2RunTimeType::fixed_version);

    // The machine's policy first, and a browser's own folder is refused.
    const std::wstring browsers = temp_path() + L"Edge\\Application\\120.0.0.1";
    test::RegistryValueGuard machine(HKEY_LOCAL_MACHINE, 0, folder_policy_key, L"*");
    ASSERT_TRUE(machine.set(browsers).ok());
    found = find_webview_runtime();
    ASSERT_FALSE(found);
    EXPECT_EQ(found.error(), "the WebView2 runtime can't run from " + narrow_lossy(browsers) +
                                 ", a browser's own folder: " + render_os_error(ERROR_NOT_SUPPORTED));
}

TEST_F(WebViewRuntime, LoadsTheLibraryOfTheFolderItFoundAndLooksForTheEntry) {
    const std::wstring folder = make_runtime_folder(true);
    set_registered_folder(HKEY_CURRENT_USER, KEY_WOW64_32KEY, folder);
    const auto found = find_webview_runtime();
    ASSERT_TRUE(found) << found.error();

    const auto loaded = load_webview_runtime(found.value());
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error(), "the WebView2 runtime has no environment entry");
    EXPECT_NE(::GetModuleHandleW((folder + L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll").c_str()), nullptr);
}

TEST_F(WebViewRuntime, AppendsTheUsersBrowserArgumentsToOurs) {
    EXPECT_EQ(browser_arguments_with_overrides(L"--ours=a,b --more"), L"--ours=a,b --more");
    ::SetEnvironmentVariableW(arguments_variable, L"--theirs --also");
    EXPECT_EQ(browser_arguments_with_overrides(L"--ours=a,b --more"), L"--ours=a,b --more --theirs --also");
    // Their own data folder is not taken: ours goes with the run.
    ::SetEnvironmentVariableW(arguments_variable, L"--theirs --user-data-dir=C:\\elsewhere");
    EXPECT_EQ(browser_arguments_with_overrides(L"--ours"), L"--ours --theirs");
}

}  // namespace
}  // namespace tarven
