// The hand-written WebView2 declarations against the runtime's published layout: interface IDs
// in their text form, and the vtable slot of the methods the launcher calls or implements. Also
// the reference counting and QueryInterface of the launcher's own COM objects.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <cwctype>
#include <string>

#include "window/com_object_win.h"
#include "window/webview2_abi_win.h"

namespace {

using namespace tarven;
using namespace tarven::webview2;

std::wstring iid_text(const IID& iid) {
    wchar_t text[40] = {};
    const int length = StringFromGUID2(iid, text, 40);
    std::wstring result(text, length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    for (auto& c : result) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return result;
}

TEST(WebView2Abi, InterfaceIdsMatchTheirPublishedText) {
    const struct {
        const IID& iid;
        const wchar_t* text;
    } cases[] = {
        {IID_IUnknown, L"{00000000-0000-0000-c000-000000000046}"},
        {IID_ICoreWebView2EnvironmentOptions, L"{2fde08a8-1e9a-4766-8c05-95a9ceb9d1c5}"},
        {IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, L"{4e8a3389-c9d8-4bd2-b6b5-124fee6cc14d}"},
        {IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, L"{6c4819f3-c9b7-4260-8127-c9f5bde7f68c}"},
        {IID_ICoreWebView2Environment, L"{b96d755e-0319-4e92-a296-23436f46a1fc}"},
        {IID_ICoreWebView2Controller, L"{4d00c0d1-9434-4eb6-8078-8697a560334f}"},
        {IID_ICoreWebView2Controller2, L"{c979903e-d4ca-4228-92eb-47ee3fa96eab}"},
        {IID_ICoreWebView2, L"{76eceacb-0462-4d94-ac83-423a6793775e}"},
        {IID_ICoreWebView2Settings, L"{e562e4f0-d7fa-43ac-8d71-c05150499f00}"},
        {IID_ICoreWebView2Settings2, L"{ee9a0f68-f46c-4e32-ac23-ef8cac224d2a}"},
        {IID_ICoreWebView2Settings3, L"{fdb5ab74-af33-4854-84f0-0a631deb5eba}"},
        {IID_ICoreWebView2Settings4, L"{cb56846c-4168-4d53-b04f-03b6d6796ff2}"},
        {IID_ICoreWebView2Settings5, L"{183e7052-1d03-43a0-ab99-98e043b66b39}"},
        {IID_ICoreWebView2Settings6, L"{11cb3acd-9bc8-43b8-83bf-f40753714f87}"},
        {IID_ICoreWebView2Settings7, L"{488dc902-35ef-42d2-bc7d-94b65c4bc49c}"},
        {IID_ICoreWebView2Settings8, L"{9e6b0e8f-86ad-4e81-8147-a9b5edb68650}"},
        {IID_ICoreWebView2Settings9, L"{0528a73b-e92d-49f4-927a-e547dddaa37d}"},
        {IID_ICoreWebView2NavigationStartingEventHandler, L"{9adbe429-f36d-432b-9ddc-f8881fbd76e3}"},
        {IID_ICoreWebView2ContentLoadingEventHandler, L"{364471e7-f2be-4910-bdba-d72077d51c4b}"},
        {IID_ICoreWebView2NavigationCompletedEventHandler, L"{d33a35bf-1c49-4f98-93ab-006e0533fe1c}"},
        {IID_ICoreWebView2NewWindowRequestedEventHandler, L"{d4c185fe-c81c-4989-97af-2d3fa7ab5651}"},
        {IID_ICoreWebView2WindowCloseRequestedEventHandler, L"{5c19e9e0-092f-486b-affa-ca8231913039}"},
        {IID_ICoreWebView2WebMessageReceivedEventHandler, L"{57213f19-00e6-49fa-8e07-898ea01ecbd2}"},
        {IID_ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler,
         L"{b99369f3-9b11-47b5-bc6f-8e7895fcea17}"},
        {IID_ICoreWebView2ExecuteScriptCompletedHandler, L"{49511172-cc67-4bca-9923-137112f4c4cc}"},
        {IID_ICoreWebView2NavigationStartingEventArgs, L"{5b495469-e119-438a-9b18-7604f25f2e49}"},
        {IID_ICoreWebView2ContentLoadingEventArgs, L"{0c8a1275-9b6b-4901-87ad-70df25bafa6e}"},
        {IID_ICoreWebView2NavigationCompletedEventArgs, L"{30d68b7d-20d9-4752-a9ca-ec8448fbb5c1}"},
        {IID_ICoreWebView2NewWindowRequestedEventArgs, L"{34acb11c-fc37-4418-9132-f9c21d1eafb9}"},
        {IID_ICoreWebView2WebMessageReceivedEventArgs, L"{0f99a40c-e962-4207-9e92-e3d542eff849}"},
    };
    for (const auto& c : cases) EXPECT_EQ(iid_text(c.iid), c.text);
}

// A pointer to a virtual member holds 1 + the method's byte offset in the vtable (Itanium C++
// ABI, which MinGW's GCC follows).
template <class Member>
std::ptrdiff_t slot_of(Member member) {
    static_assert(sizeof(Member) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t raw[2];
    std::memcpy(raw, &member, sizeof raw);
    return (raw[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(WebView2Abi, MethodsSitInTheirPublishedSlots) {
    EXPECT_EQ(slot_of(&ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments), 3);
    EXPECT_EQ(slot_of(&ICoreWebView2EnvironmentOptions::get_Language), 5);
    EXPECT_EQ(slot_of(&ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion), 7);
    EXPECT_EQ(slot_of(&ICoreWebView2EnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount), 10);

    EXPECT_EQ(slot_of(&ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler::Invoke), 3);
    EXPECT_EQ(slot_of(&ICoreWebView2CreateCoreWebView2ControllerCompletedHandler::Invoke), 3);
    EXPECT_EQ(slot_of(&ICoreWebView2WindowCloseRequestedEventHandler::Invoke), 3);
    EXPECT_EQ(slot_of(&ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler::Invoke), 3);

    EXPECT_EQ(slot_of(&ICoreWebView2Environment::CreateCoreWebView2Controller), 3);
    EXPECT_EQ(slot_of(&ICoreWebView2Environment::remove_NewBrowserVersionAvailable), 7);

    EXPECT_EQ(slot_of(&ICoreWebView2Controller::put_IsVisible), 4);
    EXPECT_EQ(slot_of(&ICoreWebView2Controller::put_Bounds), 6);
    EXPECT_EQ(slot_of(&ICoreWebView2Controller::MoveFocus), 12);
    EXPECT_EQ(slot_of(&ICoreWebView2Controller::NotifyParentWindowPositionChanged), 23);
    EXPECT_EQ(slot_of(&ICoreWebView2Controller::Close), 24);
    EXPECT_EQ(slot_of(&ICoreWebView2Controller::get_CoreWebView2), 25);
    EXPECT_EQ(slot_of(&ICoreWebView2Controller2::put_DefaultBackgroundColor), 27);

    EXPECT_EQ(slot_of(&ICoreWebView2::get_Settings), 3);
    EXPECT_EQ(slot_of(&ICoreWebView2::Navigate), 5);
    EXPECT_EQ(slot_of(&ICoreWebView2::NavigateToString), 6);
    EXPECT_EQ(slot_of(&ICoreWebView2::add_NavigationStarting), 7);
    EXPECT_EQ(slot_of(&ICoreWebView2::add_ContentLoading), 9);
    EXPECT_EQ(slot_of(&ICoreWebView2::add_NavigationCompleted), 15);
    EXPECT_EQ(slot_of(&ICoreWebView2::AddScriptToExecuteOnDocumentCreated), 27);
    EXPECT_EQ(slot_of(&ICoreWebView2::add_WebMessageReceived), 34);
    EXPECT_EQ(slot_of(&ICoreWebView2::add_NewWindowRequested), 44);
    EXPECT_EQ(slot_of(&ICoreWebView2::add_WindowCloseRequested), 59);
    EXPECT_EQ(slot_of(&ICoreWebView2::remove_WindowCloseRequested), 60);

    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsScriptEnabled), 4);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsStatusBarEnabled), 10);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_AreDevToolsEnabled), 12);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_AreDefaultContextMenusEnabled), 14);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsZoomControlEnabled), 18);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsBuiltInErrorPageEnabled), 20);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_UserAgent), 22);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_AreBrowserAcceleratorKeysEnabled), 24);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsGeneralAutofillEnabled), 28);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsPinchZoomEnabled), 30);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsSwipeNavigationEnabled), 32);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_HiddenPdfToolbarItems), 34);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsReputationCheckingRequired), 36);
    EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsNonClientRegionSupportEnabled), 38);

    EXPECT_EQ(slot_of(&ICoreWebView2NavigationStartingEventArgs::get_Uri), 3);
    EXPECT_EQ(slot_of(&ICoreWebView2NavigationStartingEventArgs::put_Cancel), 8);
    EXPECT_EQ(slot_of(&ICoreWebView2NavigationStartingEventArgs::get_NavigationId), 9);
    EXPECT_EQ(slot_of(&ICoreWebView2ContentLoadingEventArgs::get_NavigationId), 4);
    EXPECT_EQ(slot_of(&ICoreWebView2NavigationCompletedEventArgs::get_WebErrorStatus), 4);
    EXPECT_EQ(slot_of(&ICoreWebView2NewWindowRequestedEventArgs::get_Uri), 3);
    EXPECT_EQ(slot_of(&ICoreWebView2NewWindowRequestedEventArgs::put_Handled), 6);
    EXPECT_EQ(slot_of(&ICoreWebView2NewWindowRequestedEventArgs::get_WindowFeatures), 10);
    EXPECT_EQ(slot_of(&ICoreWebView2WebMessageReceivedEventArgs::TryGetWebMessageAsString), 5);
}

// --- The launcher's own COM objects --------------------------------------------------------

struct Probe {
    int destroyed = 0;
    int invoked = 0;
};

class CloseHandler final : public ComObject<CloseHandler, ICoreWebView2WindowCloseRequestedEventHandler,
                                            ICoreWebView2ExecuteScriptCompletedHandler> {
public:
    explicit CloseHandler(Probe& probe) : probe_(probe) {}
    ~CloseHandler() { ++probe_.destroyed; }

    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2*, IUnknown*) noexcept override {
        probe_.invoked += 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT, LPCWSTR) noexcept override {
        probe_.invoked += 10;
        return S_OK;
    }

private:
    Probe& probe_;
};

TEST(ComObject, AnswersIUnknownAndEachOwnInterfaceOnly) {
    Probe probe;
    {
        const auto handler = CloseHandler::make(probe);
        auto unknown = query_interface<IUnknown>(handler.Get());
        ASSERT_TRUE(unknown);

        auto close = query_interface<ICoreWebView2WindowCloseRequestedEventHandler>(unknown.Get());
        ASSERT_TRUE(close);
        EXPECT_EQ(close->Invoke(nullptr, nullptr), S_OK);
        EXPECT_EQ(probe.invoked, 1);

        // The second interface is a different vtable in the same object.
        auto script = query_interface<ICoreWebView2ExecuteScriptCompletedHandler>(close.Get());
        ASSERT_TRUE(script);
        EXPECT_EQ(script->Invoke(S_OK, L""), S_OK);
        EXPECT_EQ(probe.invoked, 11);

        void* other = reinterpret_cast<void*>(1);
        EXPECT_EQ(unknown->QueryInterface(IID_ICoreWebView2NavigationStartingEventHandler, &other), E_NOINTERFACE);
        EXPECT_EQ(other, nullptr);
        EXPECT_EQ(unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
        EXPECT_EQ(probe.destroyed, 0);
    }
    EXPECT_EQ(probe.destroyed, 1);
}

TEST(ComObject, LivesUntilItsLastReleaseWhoeverHoldsIt) {
    Probe probe;
    ICoreWebView2WindowCloseRequestedEventHandler* kept = nullptr;
    {
        const auto handler = CloseHandler::make(probe);
        kept = handler.Get();
        EXPECT_EQ(kept->AddRef(), 2u);
    }
    EXPECT_EQ(probe.destroyed, 0);
    EXPECT_EQ(kept->Invoke(nullptr, nullptr), S_OK);
    EXPECT_EQ(kept->AddRef(), 2u);
    EXPECT_EQ(kept->Release(), 1u);
    EXPECT_EQ(probe.destroyed, 0);
    EXPECT_EQ(kept->Release(), 0u);
    EXPECT_EQ(probe.destroyed, 1);
}

}  // namespace
