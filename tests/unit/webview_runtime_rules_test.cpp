#include "window/webview_runtime_rules.h"

#include <gtest/gtest.h>

namespace tarven {
namespace {

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
