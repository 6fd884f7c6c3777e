#include "window/webview_runtime_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarven {
namespace {

using enum RuntimeChannel;
using enum RuntimeSetting;
constexpr auto machine = RegistryScope::machine;
constexpr auto user = RegistryScope::user;
constexpr wchar_t exe[] = L"C:\\apps\\Tarven Help.exe";

std::wstring folder_of(RuntimeChannel channel, RegistryScope scope) {
    return L"C:\\rt\\" + std::to_wstring(static_cast<int>(channel)) + (scope == machine ? L"m" : L"u");
}
RuntimeRegistration installed(RuntimeChannel channel, RegistryScope scope = machine, bool library = true) {
    return {channel, scope, folder_of(channel, scope), library};
}
const std::vector<RuntimeRegistration> every_channel = {installed(stable), installed(beta), installed(dev),
                                                        installed(canary)};

struct Row {
    const char* what;
    RuntimeFacts facts;
    RuntimeRefusal refusal;
    std::wstring folder;
    bool fixed_version = false;
    std::wstring added_arguments = L"";
};

void expect_rows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        const RuntimeDecision decision = decide_webview_runtime(row.facts);
        EXPECT_EQ(decision.refusal, row.refusal) << row.what;
        EXPECT_EQ(decision.folder, row.folder) << row.what;
        EXPECT_EQ(decision.fixed_version, row.fixed_version) << row.what;
        EXPECT_EQ(decision.added_arguments, row.added_arguments) << row.what;
    }
}

constexpr auto none = RuntimeRefusal::none;

TEST(DecideWebViewRuntime, SearchesTheChannelsInTheirOrder) {
    expect_rows({
        {"most stable first", {exe, {}, {}, {}, every_channel}, none, folder_of(stable, machine)},
        {"a preview channel alone",
         {exe, {}, {}, {}, {installed(dev, user), installed(canary)}},
         none,
         folder_of(dev, user)},
        {"search kind 1: least stable first",
         {exe, {}, {{channel_search_kind, L"1"}}, {}, every_channel},
         none,
         folder_of(canary, machine)},
        {"only search kind 1 reverses",
         {exe, {}, {{channel_search_kind, L"2"}}, {}, every_channel},
         none,
         folder_of(stable, machine)},
        {"release channels narrow",
         {exe, {}, {{release_channels, L"1,2"}}, {}, every_channel},
         none,
         folder_of(beta, machine)},
        {"narrowed and reversed",
         {exe, {}, {{release_channels, L" 2 ,1"}, {channel_search_kind, L"1"}}, {}, every_channel},
         none,
         folder_of(dev, machine)},
        {"an invalid entry counts as stable",
         {exe, {}, {{release_channels, L"9,x,-1,"}, {channel_search_kind, L"1"}}, {}, every_channel},
         none,
         folder_of(stable, machine)},
        {"a channel left out is not found",
         {exe, {}, {{release_channels, L"3"}}, {}, {installed(stable)}},
         RuntimeRefusal::not_installed,
         L""},
        {"machine before user",
         {exe, {}, {}, {}, {installed(stable, user), installed(stable)}},
         none,
         folder_of(stable, machine)},
        {"a folder without the library is passed over",
         {exe, {}, {}, {}, {installed(stable, machine, false), installed(stable, user)}},
         none,
         folder_of(stable, user)},
        {"the channel before the scope",
         {exe, {}, {}, {}, {installed(beta), installed(stable, user)}},
         none,
         folder_of(stable, user)},
    });
}

TEST(DecideWebViewRuntime, TakesABrowserFolderFromOutsideAsAFullPath) {
    const auto folder = [](std::wstring value) {
        return RuntimeFacts{exe, {}, {{browser_executable_folder, std::move(value)}}, {}, every_channel};
    };
    expect_rows({
        {"full, before the registrations", folder(L"D:\\fixed\\120"), none, L"D:\\fixed\\120", true},
        {"relative to the executable", folder(L"runtime\\120"), none, L"C:\\apps\\runtime\\120", true},
        {"dots and slashes", folder(L"..\\rt/./120\\"), none, L"C:\\rt\\120", true},
        {"from the executable's root", folder(L"\\rt"), none, L"C:\\rt", true},
        {"a share", folder(L"\\\\srv\\share\\rt\\..\\x"), none, L"\\\\srv\\share\\x", true},
        {"a browser's own folder", folder(L"C:\\Program Files\\Edge\\Application\\120.0"),
         RuntimeRefusal::folder_not_supported, L"C:\\Program Files\\Edge\\Application\\120.0", true},
        {"one reached through dots, in any case", folder(L"..\\edge\\APPLICATION\\1"),
         RuntimeRefusal::folder_not_supported, L"C:\\edge\\APPLICATION\\1", true},
        {"only whole folder names count", folder(L"C:\\EdgeWebView\\Application\\1"), none,
         L"C:\\EdgeWebView\\Application\\1", true},
    });
}

TEST(DecideWebViewRuntime, TakesEachSettingFromTheEnvironmentElsePolicy) {
    const auto pinned = [](RegistryScope scope, const wchar_t* name, const wchar_t* value) {
        return PolicyValue{scope, browser_executable_folder, name, value};
    };
    const std::vector<PolicyValue> three_names = {pinned(machine, L"*", L"D:\\any"),
                                                  pinned(machine, L"Tarven Help.exe", L"D:\\exe"),
                                                  pinned(machine, L"Tarven.Help", L"D:\\aumid")};
    expect_rows({
        {"the AppUserModelID's first", {exe, L"Tarven.Help", {}, three_names, {}}, none, L"D:\\aumid", true},
        {"then the executable's name", {exe, std::nullopt, {}, three_names, {}}, none, L"D:\\exe", true},
        {"then *", {exe, L"Tarven.Help", {}, {three_names[0]}, {}}, none, L"D:\\any", true},
        {"another program's value is not ours",
         {exe, std::nullopt, {}, {pinned(machine, L"Other.exe", L"D:\\other")}, every_channel},
         none,
         folder_of(stable, machine)},
        {"the machine's before the user's",
         {exe, L"Tarven.Help", {}, {pinned(user, L"Tarven.Help", L"D:\\user"), three_names[0]}, {}},
         none,
         L"D:\\any",
         true},
        {"the environment before the policy",
         {exe, {}, {{browser_executable_folder, L"D:\\env"}}, three_names, {}},
         none,
         L"D:\\env",
         true},
        {"an empty variable is not set",
         {exe, {}, {{browser_executable_folder, L""}}, three_names, {}},
         none,
         L"D:\\exe",
         true},
        {"a search kind from the environment outweighs the policy's",
         {exe, {}, {{channel_search_kind, L"0"}}, {{machine, channel_search_kind, L"*", L"1"}}, every_channel},
         none,
         folder_of(stable, machine)},
        {"release channels by policy",
         {exe, {}, {}, {{user, release_channels, L"Tarven Help.exe", L"3"}}, every_channel},
         none,
         folder_of(canary, machine)},
        {"arguments by policy, without a data folder",
         {exe, {}, {}, {{machine, additional_browser_arguments, L"*", L"--a --user-data-dir=D:\\x --b"}}, {}},
         RuntimeRefusal::not_installed,
         L"",
         false,
         L"--a --b"},
        {"arguments from the environment first",
         {exe,
          {},
          {{additional_browser_arguments, L"--env"}},
          {{machine, additional_browser_arguments, L"*", L"--p"}},
          {}},
         RuntimeRefusal::not_installed,
         L"",
         false,
         L"--env"},
    });
}

TEST(WithoutUserDataDir, DropsEverySwitchFormOfIt) {
    EXPECT_EQ(without_user_data_dir(L"--a --user-data-dir --b"), L"--a --b");
    EXPECT_EQ(without_user_data_dir(L"-user-data-dir=x --b /User-Data-Dir=y"), L"--b");
    EXPECT_EQ(without_user_data_dir(L"--a \"--user-data-dir=C:\\a b\" --b"), L"--a --b");
    EXPECT_EQ(without_user_data_dir(L"--user-data-dir"), L"");
    // Tokens that only look like it stay, and so do the blanks around the others.
    EXPECT_EQ(without_user_data_dir(L" --user-data-directory --user-data-dir-x  --c=--user-data-dir "),
              L" --user-data-directory --user-data-dir-x  --c=--user-data-dir ");
    EXPECT_EQ(without_user_data_dir(L"--a=\"x\\\" y\" --user-data-dir"), L"--a=\"x\\\" y\"");
}

TEST(RuntimeClientLibrary, SitsInTheX64FolderOfTheRuntimeFolder) {
    const std::wstring library = L"C:\\Edge\\Application\\120.0.1.2\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";
    EXPECT_EQ(runtime_client_library(L"C:\\Edge\\Application\\120.0.1.2"), library);
    EXPECT_EQ(runtime_client_library(L"C:\\Edge\\Application\\120.0.1.2\\"), library);
    EXPECT_EQ(runtime_client_library(L"C:/fixed/"), L"C:/fixed/EBWebView\\x64\\EmbeddedBrowserWebView.dll");
}

TEST(JoinBrowserArguments, AddsTheUsersArgumentsAfterOursWithOneBlank) {
    EXPECT_EQ(join_browser_arguments(L"--a=1,2 --b", L"--c"), L"--a=1,2 --b --c");
    EXPECT_EQ(join_browser_arguments(L"--a", L""), L"--a");
    EXPECT_EQ(join_browser_arguments(L"", L"--c"), L"--c");
    // The user's text goes through as given.
    EXPECT_EQ(join_browser_arguments(L"--a", L" --c  --d "), L"--a  --c  --d ");
}

TEST(FailureTexts, CarryTheHresultAsEightHexDigits) {
    EXPECT_EQ(hresult_text(0x80070002u), "HRESULT 0x80070002");
    EXPECT_EQ(hresult_text(0x8000FFFFu), "HRESULT 0x8000FFFF");
    EXPECT_EQ(hresult_text(0x1u), "HRESULT 0x00000001");
    EXPECT_EQ(call_failure_text("create the web view's environment", 0x80004005u),
              "couldn't create the web view's environment (HRESULT 0x80004005)");
}

}  // namespace
}  // namespace tarven
