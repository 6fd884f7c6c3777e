#pragma once
// The WebView2 COM interfaces the launcher uses, declared by hand: no SDK header or loader library
// is shipped with the launcher. Each interface lists every method of its vtable in slot order
// (slots 0-2 are IUnknown's), including the ones the launcher never calls, because order and
// parameter types are the whole ABI. Interfaces are append-only: a published IID never changes its
// vtable. Names follow the runtime's own so that a reader can check each one against its IID.
//
// Rules that keep the layout right with every compiler: pure virtual methods only (no virtual
// destructor, no overloads), BOOL rather than bool, enums 32 bits wide, plain IID constants
// rather than __uuidof.
#include <windows.h>
#include <unknwn.h>
#include <objidl.h>
#include <oaidl.h>
#include <eventtoken.h>

#include <cstddef>

#include "window/com_interface_id_win.h"

namespace tarven::webview2 {

// --- Values ----------------------------------------------------------------------------------

// Four bytes in the order A, R, G, B; passed by value.
struct COREWEBVIEW2_COLOR {
    BYTE A;
    BYTE R;
    BYTE G;
    BYTE B;
};
static_assert(sizeof(COREWEBVIEW2_COLOR) == 4 && alignof(COREWEBVIEW2_COLOR) == 1);
static_assert(offsetof(COREWEBVIEW2_COLOR, A) == 0 && offsetof(COREWEBVIEW2_COLOR, R) == 1 &&
              offsetof(COREWEBVIEW2_COLOR, G) == 2 && offsetof(COREWEBVIEW2_COLOR, B) == 3);
static_assert(sizeof(EventRegistrationToken) == 8);
static_assert(sizeof(BOOL) == 4);

enum COREWEBVIEW2_MOVE_FOCUS_REASON : int {
    COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0,
    COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT = 1,
    COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS = 2,
};

enum COREWEBVIEW2_WEB_ERROR_STATUS : int {
    COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN = 0,
    COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_COMMON_NAME_IS_INCORRECT = 1,
    COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_EXPIRED = 2,
    COREWEBVIEW2_WEB_ERROR_STATUS_CLIENT_CERTIFICATE_CONTAINS_ERRORS = 3,
    COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_REVOKED = 4,
    COREWEBVIEW2_WEB_ERROR_STATUS_CERTIFICATE_IS_INVALID = 5,
    COREWEBVIEW2_WEB_ERROR_STATUS_SERVER_UNREACHABLE = 6,
    COREWEBVIEW2_WEB_ERROR_STATUS_TIMEOUT = 7,
    COREWEBVIEW2_WEB_ERROR_STATUS_ERROR_HTTP_INVALID_SERVER_RESPONSE = 8,
    COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_ABORTED = 9,
    COREWEBVIEW2_WEB_ERROR_STATUS_CONNECTION_RESET = 10,
    COREWEBVIEW2_WEB_ERROR_STATUS_DISCONNECTED = 11,
    COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT = 12,
    COREWEBVIEW2_WEB_ERROR_STATUS_HOST_NAME_NOT_RESOLVED = 13,
    COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED = 14,
    COREWEBVIEW2_WEB_ERROR_STATUS_REDIRECT_FAILED = 15,
    COREWEBVIEW2_WEB_ERROR_STATUS_UNEXPECTED_ERROR = 16,
    COREWEBVIEW2_WEB_ERROR_STATUS_VALID_AUTHENTICATION_CREDENTIALS_REQUIRED = 17,
    COREWEBVIEW2_WEB_ERROR_STATUS_VALID_PROXY_AUTHENTICATION_REQUIRED = 18,
};

enum COREWEBVIEW2_PDF_TOOLBAR_ITEMS : int {
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_NONE = 0,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_SAVE = 0x1,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_PRINT = 0x2,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_SAVE_AS = 0x4,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_ZOOM_IN = 0x8,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_ZOOM_OUT = 0x10,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_ROTATE = 0x20,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_FIT_PAGE = 0x40,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_PAGE_LAYOUT = 0x80,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_BOOKMARKS = 0x100,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_PAGE_SELECTOR = 0x200,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_SEARCH = 0x400,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_FULL_SCREEN = 0x800,
    COREWEBVIEW2_PDF_TOOLBAR_ITEMS_MORE_SETTINGS = 0x1000,
};

// Only passed through methods the launcher never calls; their values do not matter here.
enum COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT : int;
enum COREWEBVIEW2_WEB_RESOURCE_CONTEXT : int;

// --- Interface IDs ---------------------------------------------------------------------------
// IID_IUnknown is the system's (<unknwn.h>, link library uuid).

static const IID IID_ICoreWebView2EnvironmentOptions = {
    0x2FDE08A8, 0x1E9A, 0x4766, {0x8C, 0x05, 0x95, 0xA9, 0xCE, 0xB9, 0xD1, 0xC5}};
static const IID IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler = {
    0x4E8A3389, 0xC9D8, 0x4BD2, {0xB6, 0xB5, 0x12, 0x4F, 0xEE, 0x6C, 0xC1, 0x4D}};
static const IID IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler = {
    0x6C4819F3, 0xC9B7, 0x4260, {0x81, 0x27, 0xC9, 0xF5, 0xBD, 0xE7, 0xF6, 0x8C}};
static const IID IID_ICoreWebView2Environment = {
    0xB96D755E, 0x0319, 0x4E92, {0xA2, 0x96, 0x23, 0x43, 0x6F, 0x46, 0xA1, 0xFC}};
static const IID IID_ICoreWebView2Environment2 = {
    0x41F3632B, 0x5EF4, 0x404F, {0xAD, 0x82, 0x2D, 0x60, 0x6C, 0x5A, 0x9A, 0x21}};
static const IID IID_ICoreWebView2Environment3 = {
    0x80A22AE3, 0xBE7C, 0x4CE2, {0xAF, 0xE1, 0x5A, 0x50, 0x05, 0x6C, 0xDE, 0xEB}};
static const IID IID_ICoreWebView2Environment4 = {
    0x20944379, 0x6DCF, 0x41D6, {0xA0, 0xA0, 0xAB, 0xC0, 0xFC, 0x50, 0xDE, 0x0D}};
static const IID IID_ICoreWebView2Environment5 = {
    0x319E423D, 0xE0D7, 0x4B8D, {0x92, 0x54, 0xAE, 0x94, 0x75, 0xDE, 0x9B, 0x17}};
static const IID IID_ICoreWebView2BrowserProcessExitedEventHandler = {
    0xFA504257, 0xA216, 0x4911, {0xA8, 0x60, 0xFE, 0x88, 0x25, 0x71, 0x28, 0x61}};
static const IID IID_ICoreWebView2BrowserProcessExitedEventArgs = {
    0x1F00663F, 0xAF8C, 0x4782, {0x9C, 0xDD, 0xDD, 0x01, 0xC5, 0x2E, 0x34, 0xCB}};
static const IID IID_ICoreWebView2Controller = {
    0x4D00C0D1, 0x9434, 0x4EB6, {0x80, 0x78, 0x86, 0x97, 0xA5, 0x60, 0x33, 0x4F}};
static const IID IID_ICoreWebView2Controller2 = {
    0xC979903E, 0xD4CA, 0x4228, {0x92, 0xEB, 0x47, 0xEE, 0x3F, 0xA9, 0x6E, 0xAB}};
static const IID IID_ICoreWebView2 = {0x76ECEACB, 0x0462, 0x4D94, {0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77, 0x5E}};
static const IID IID_ICoreWebView2Settings = {
    0xE562E4F0, 0xD7FA, 0x43AC, {0x8D, 0x71, 0xC0, 0x51, 0x50, 0x49, 0x9F, 0x00}};
static const IID IID_ICoreWebView2Settings2 = {
    0xEE9A0F68, 0xF46C, 0x4E32, {0xAC, 0x23, 0xEF, 0x8C, 0xAC, 0x22, 0x4D, 0x2A}};
static const IID IID_ICoreWebView2Settings3 = {
    0xFDB5AB74, 0xAF33, 0x4854, {0x84, 0xF0, 0x0A, 0x63, 0x1D, 0xEB, 0x5E, 0xBA}};
static const IID IID_ICoreWebView2Settings4 = {
    0xCB56846C, 0x4168, 0x4D53, {0xB0, 0x4F, 0x03, 0xB6, 0xD6, 0x79, 0x6F, 0xF2}};
static const IID IID_ICoreWebView2Settings5 = {
    0x183E7052, 0x1D03, 0x43A0, {0xAB, 0x99, 0x98, 0xE0, 0x43, 0xB6, 0x6B, 0x39}};
static const IID IID_ICoreWebView2Settings6 = {
    0x11CB3ACD, 0x9BC8, 0x43B8, {0x83, 0xBF, 0xF4, 0x07, 0x53, 0x71, 0x4F, 0x87}};
static const IID IID_ICoreWebView2Settings7 = {
    0x488DC902, 0x35EF, 0x42D2, {0xBC, 0x7D, 0x94, 0xB6, 0x5C, 0x4B, 0xC4, 0x9C}};
static const IID IID_ICoreWebView2Settings8 = {
    0x9E6B0E8F, 0x86AD, 0x4E81, {0x81, 0x47, 0xA9, 0xB5, 0xED, 0xB6, 0x86, 0x50}};
static const IID IID_ICoreWebView2Settings9 = {
    0x0528A73B, 0xE92D, 0x49F4, {0x92, 0x7A, 0xE5, 0x47, 0xDD, 0xDA, 0xA3, 0x7D}};
static const IID IID_ICoreWebView2NavigationStartingEventHandler = {
    0x9ADBE429, 0xF36D, 0x432B, {0x9D, 0xDC, 0xF8, 0x88, 0x1F, 0xBD, 0x76, 0xE3}};
static const IID IID_ICoreWebView2ContentLoadingEventHandler = {
    0x364471E7, 0xF2BE, 0x4910, {0xBD, 0xBA, 0xD7, 0x20, 0x77, 0xD5, 0x1C, 0x4B}};
static const IID IID_ICoreWebView2NavigationCompletedEventHandler = {
    0xD33A35BF, 0x1C49, 0x4F98, {0x93, 0xAB, 0x00, 0x6E, 0x05, 0x33, 0xFE, 0x1C}};
static const IID IID_ICoreWebView2NewWindowRequestedEventHandler = {
    0xD4C185FE, 0xC81C, 0x4989, {0x97, 0xAF, 0x2D, 0x3F, 0xA7, 0xAB, 0x56, 0x51}};
static const IID IID_ICoreWebView2WindowCloseRequestedEventHandler = {
    0x5C19E9E0, 0x092F, 0x486B, {0xAF, 0xFA, 0xCA, 0x82, 0x31, 0x91, 0x30, 0x39}};
static const IID IID_ICoreWebView2WebMessageReceivedEventHandler = {
    0x57213F19, 0x00E6, 0x49FA, {0x8E, 0x07, 0x89, 0x8E, 0xA0, 0x1E, 0xCB, 0xD2}};
static const IID IID_ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler = {
    0xB99369F3, 0x9B11, 0x47B5, {0xBC, 0x6F, 0x8E, 0x78, 0x95, 0xFC, 0xEA, 0x17}};
static const IID IID_ICoreWebView2ExecuteScriptCompletedHandler = {
    0x49511172, 0xCC67, 0x4BCA, {0x99, 0x23, 0x13, 0x71, 0x12, 0xF4, 0xC4, 0xCC}};
static const IID IID_ICoreWebView2NavigationStartingEventArgs = {
    0x5B495469, 0xE119, 0x438A, {0x9B, 0x18, 0x76, 0x04, 0xF2, 0x5F, 0x2E, 0x49}};
static const IID IID_ICoreWebView2ContentLoadingEventArgs = {
    0x0C8A1275, 0x9B6B, 0x4901, {0x87, 0xAD, 0x70, 0xDF, 0x25, 0xBA, 0xFA, 0x6E}};
static const IID IID_ICoreWebView2NavigationCompletedEventArgs = {
    0x30D68B7D, 0x20D9, 0x4752, {0xA9, 0xCA, 0xEC, 0x84, 0x48, 0xFB, 0xB5, 0xC1}};
static const IID IID_ICoreWebView2NewWindowRequestedEventArgs = {
    0x34ACB11C, 0xFC37, 0x4418, {0x91, 0x32, 0xF9, 0xC2, 0x1D, 0x1E, 0xAF, 0xB9}};
static const IID IID_ICoreWebView2WebMessageReceivedEventArgs = {
    0x0F99A40C, 0xE962, 0x4207, {0x9E, 0x92, 0xE3, 0xD5, 0x42, 0xEF, 0xF8, 0x49}};

// --- Interfaces that appear only as parameters of methods the launcher never calls -------------

struct ICoreWebView2WebResourceResponse;
struct ICoreWebView2NewBrowserVersionAvailableEventHandler;
struct ICoreWebView2ZoomFactorChangedEventHandler;
struct ICoreWebView2MoveFocusRequestedEventHandler;
struct ICoreWebView2FocusChangedEventHandler;
struct ICoreWebView2AcceleratorKeyPressedEventHandler;
struct ICoreWebView2SourceChangedEventHandler;
struct ICoreWebView2HistoryChangedEventHandler;
struct ICoreWebView2ScriptDialogOpeningEventHandler;
struct ICoreWebView2PermissionRequestedEventHandler;
struct ICoreWebView2ProcessFailedEventHandler;
struct ICoreWebView2CapturePreviewCompletedHandler;
struct ICoreWebView2CallDevToolsProtocolMethodCompletedHandler;
struct ICoreWebView2DevToolsProtocolEventReceiver;
struct ICoreWebView2DocumentTitleChangedEventHandler;
struct ICoreWebView2ContainsFullScreenElementChangedEventHandler;
struct ICoreWebView2WebResourceRequestedEventHandler;
struct ICoreWebView2HttpRequestHeaders;
struct ICoreWebView2Deferral;
struct ICoreWebView2WindowFeatures;

struct ICoreWebView2;
struct ICoreWebView2Environment;
struct ICoreWebView2Controller;
struct ICoreWebView2NavigationStartingEventArgs;
struct ICoreWebView2ContentLoadingEventArgs;
struct ICoreWebView2NavigationCompletedEventArgs;
struct ICoreWebView2NewWindowRequestedEventArgs;
struct ICoreWebView2WebMessageReceivedEventArgs;
struct ICoreWebView2WebResourceRequest;
struct ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler;
struct ICoreWebView2PointerInfo;
struct ICoreWebView2BrowserProcessExitedEventArgs;

// --- Implemented by the host -----------------------------------------------------------------

// ICoreWebView2EnvironmentOptions — IID {2fde08a8-1e9a-4766-8c05-95a9ceb9d1c5} — base IUnknown.
// Getters hand out CoTaskMemAlloc copies that the runtime frees.
struct ICoreWebView2EnvironmentOptions : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) = 0;            // 3
    virtual HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) = 0;            // 4
    virtual HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) = 0;                              // 5
    virtual HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) = 0;                              // 6
    virtual HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) = 0;        // 7
    virtual HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) = 0;        // 8
    virtual HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) = 0;  // 9
    virtual HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) = 0;   // 10
};

// ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler —
// IID {4e8a3389-c9d8-4bd2-b6b5-124fee6cc14d} — base IUnknown.
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Environment* result) = 0;  // 3
};

// ICoreWebView2CreateCoreWebView2ControllerCompletedHandler —
// IID {6c4819f3-c9b7-4260-8127-c9f5bde7f68c} — base IUnknown.
struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Controller* result) = 0;  // 3
};

// ICoreWebView2NavigationStartingEventHandler — IID {9adbe429-f36d-432b-9ddc-f8881fbd76e3} —
// base IUnknown.
struct ICoreWebView2NavigationStartingEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) = 0;
};

// ICoreWebView2ContentLoadingEventHandler — IID {364471e7-f2be-4910-bdba-d72077d51c4b} —
// base IUnknown.
struct ICoreWebView2ContentLoadingEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2ContentLoadingEventArgs* args) = 0;
};

// ICoreWebView2NavigationCompletedEventHandler — IID {d33a35bf-1c49-4f98-93ab-006e0533fe1c} —
// base IUnknown.
struct ICoreWebView2NavigationCompletedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NavigationCompletedEventArgs* args) = 0;
};

// ICoreWebView2NewWindowRequestedEventHandler — IID {d4c185fe-c81c-4989-97af-2d3fa7ab5651} —
// base IUnknown.
struct ICoreWebView2NewWindowRequestedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args) = 0;
};

// ICoreWebView2WindowCloseRequestedEventHandler — IID {5c19e9e0-092f-486b-affa-ca8231913039} —
// base IUnknown. The event has no arguments interface.
struct ICoreWebView2WindowCloseRequestedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) = 0;
};

// ICoreWebView2WebMessageReceivedEventHandler — IID {57213f19-00e6-49fa-8e07-898ea01ecbd2} —
// base IUnknown.
struct ICoreWebView2WebMessageReceivedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};

// ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler —
// IID {b99369f3-9b11-47b5-bc6f-8e7895fcea17} — base IUnknown. `result` belongs to the runtime.
struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR result) = 0;
};

// ICoreWebView2ExecuteScriptCompletedHandler — IID {49511172-cc67-4bca-9923-137112f4c4cc} —
// base IUnknown. `result` belongs to the runtime.
struct ICoreWebView2ExecuteScriptCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR result) = 0;
};

// ICoreWebView2BrowserProcessExitedEventHandler — IID {fa504257-a216-4911-a860-fe8825712861}.
struct ICoreWebView2BrowserProcessExitedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Environment* sender,  // 3
                                             ICoreWebView2BrowserProcessExitedEventArgs* args) = 0;
};

// --- Implemented by the runtime --------------------------------------------------------------

// ICoreWebView2Environment — IID {b96d755e-0319-4e92-a296-23436f46a1fc} — base IUnknown.
struct ICoreWebView2Environment : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(  // 3
        HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(  // 4
        IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
        ICoreWebView2WebResourceResponse** response) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(                     // 6
        ICoreWebView2NewBrowserVersionAvailableEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventRegistrationToken token) = 0;  // 7
};

// ICoreWebView2Environment2 … 5: each has every slot of the one before. A runtime too old for one
// answers its QueryInterface with E_NOINTERFACE.
// ICoreWebView2Environment2 — IID {41f3632b-5ef4-404f-ad82-2d606c5a9a21}.
struct ICoreWebView2Environment2 : ICoreWebView2Environment {
    virtual HRESULT STDMETHODCALLTYPE CreateWebResourceRequest(  // 8
        LPCWSTR uri, LPCWSTR method, IStream* postData, LPCWSTR headers, ICoreWebView2WebResourceRequest** value) = 0;
};
// ICoreWebView2Environment3 — IID {80a22ae3-be7c-4ce2-afe1-5a50056cdeeb}.
struct ICoreWebView2Environment3 : ICoreWebView2Environment2 {
    virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2CompositionController(  // 9
        HWND parentWindow, ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2PointerInfo(ICoreWebView2PointerInfo** value) = 0;  // 10
};
// ICoreWebView2Environment4 — IID {20944379-6dcf-41d6-a0a0-abc0fc50de0d}.
struct ICoreWebView2Environment4 : ICoreWebView2Environment3 {
    virtual HRESULT STDMETHODCALLTYPE GetAutomationProviderForWindow(HWND hwnd, IUnknown** value) = 0;  // 11
};
// ICoreWebView2Environment5 — IID {319e423d-e0d7-4b8d-9254-ae9475de9b17}. The browser process
// exits once every web view of the environment is closed and all it held (the user data folder
// included) is let go; the event comes through the host's message pump.
struct ICoreWebView2Environment5 : ICoreWebView2Environment4 {
    virtual HRESULT STDMETHODCALLTYPE add_BrowserProcessExited(  // 12
        ICoreWebView2BrowserProcessExitedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_BrowserProcessExited(EventRegistrationToken token) = 0;  // 13
};

enum COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND : int {
    COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_NORMAL = 0,
    COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND_FAILED = 1,
};

// ICoreWebView2BrowserProcessExitedEventArgs — IID {1f00663f-af8c-4782-9cdd-dd01c52e34cb}.
struct ICoreWebView2BrowserProcessExitedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessExitKind(  // 3
        COREWEBVIEW2_BROWSER_PROCESS_EXIT_KIND* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) = 0;  // 4
};

// ICoreWebView2Controller — IID {4d00c0d1-9434-4eb6-8078-8697a560334f} — base IUnknown.
struct ICoreWebView2Controller : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) = 0;      // 3
    virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) = 0;       // 4
    virtual HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) = 0;            // 5
    virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;             // 6
    virtual HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) = 0;  // 7
    virtual HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) = 0;   // 8
    virtual HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(                   // 9
        ICoreWebView2ZoomFactorChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken token) = 0;  // 10
    virtual HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) = 0;  // 11
    virtual HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) = 0;        // 12
    virtual HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(                                      // 13
        ICoreWebView2MoveFocusRequestedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken token) = 0;  // 14
    virtual HRESULT STDMETHODCALLTYPE add_GotFocus(                                                 // 15
        ICoreWebView2FocusChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken token) = 0;  // 16
    virtual HRESULT STDMETHODCALLTYPE add_LostFocus(                                      // 17
        ICoreWebView2FocusChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken token) = 0;  // 18
    virtual HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(                           // 19
        ICoreWebView2AcceleratorKeyPressedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken token) = 0;  // 20
    virtual HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) = 0;                        // 21
    virtual HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) = 0;                         // 22
    virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;                         // 23
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;                                                     // 24
    virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) = 0;              // 25
};

// ICoreWebView2Controller2 — IID {c979903e-d4ca-4228-92eb-47ee3fa96eab} —
// base ICoreWebView2Controller.
struct ICoreWebView2Controller2 : ICoreWebView2Controller {
    virtual HRESULT STDMETHODCALLTYPE get_DefaultBackgroundColor(COREWEBVIEW2_COLOR* value) = 0;  // 26
    virtual HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) = 0;   // 27
};

// ICoreWebView2 — IID {76eceacb-0462-4d94-ac83-423a6793775e} — base IUnknown.
struct ICoreWebView2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Settings(struct ICoreWebView2Settings** settings) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) = 0;                                // 4
    virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;                                  // 5
    virtual HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) = 0;                  // 6
    virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(                                     // 7
        ICoreWebView2NavigationStartingEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) = 0;  // 8
    virtual HRESULT STDMETHODCALLTYPE add_ContentLoading(                                           // 9
        ICoreWebView2ContentLoadingEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken token) = 0;  // 10
    virtual HRESULT STDMETHODCALLTYPE add_SourceChanged(                                        // 11
        ICoreWebView2SourceChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken token) = 0;  // 12
    virtual HRESULT STDMETHODCALLTYPE add_HistoryChanged(                                      // 13
        ICoreWebView2HistoryChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken token) = 0;  // 14
    virtual HRESULT STDMETHODCALLTYPE add_NavigationCompleted(                                  // 15
        ICoreWebView2NavigationCompletedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken token) = 0;  // 16
    virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(                                   // 17
        ICoreWebView2NavigationStartingEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(EventRegistrationToken token) = 0;  // 18
    virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationCompleted(                                      // 19
        ICoreWebView2NavigationCompletedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_FrameNavigationCompleted(EventRegistrationToken token) = 0;  // 20
    virtual HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(                                            // 21
        ICoreWebView2ScriptDialogOpeningEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken token) = 0;  // 22
    virtual HRESULT STDMETHODCALLTYPE add_PermissionRequested(                                       // 23
        ICoreWebView2PermissionRequestedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken token) = 0;  // 24
    virtual HRESULT STDMETHODCALLTYPE add_ProcessFailed(                                             // 25
        ICoreWebView2ProcessFailedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) = 0;  // 26
    virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(                     // 27
        LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) = 0;  // 28
    virtual HRESULT STDMETHODCALLTYPE ExecuteScript(                                           // 29
        LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE CapturePreview(  // 30
        COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
        ICoreWebView2CapturePreviewCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reload() = 0;                                            // 31
    virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) = 0;      // 32
    virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) = 0;  // 33
    virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(                                  // 34
        ICoreWebView2WebMessageReceivedEventHandler* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) = 0;  // 35
    virtual HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(                                   // 36
        LPCWSTR methodName, LPCWSTR parametersAsJson,
        ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) = 0;   // 37
    virtual HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* canGoBack) = 0;        // 38
    virtual HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* canGoForward) = 0;  // 39
    virtual HRESULT STDMETHODCALLTYPE GoBack() = 0;                              // 40
    virtual HRESULT STDMETHODCALLTYPE GoForward() = 0;                           // 41
    virtual HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(          // 42
        LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;              // 43
    virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(  // 44
        ICoreWebView2NewWindowRequestedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) = 0;  // 45
    virtual HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(                                     // 46
        ICoreWebView2DocumentTitleChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken token) = 0;  // 47
    virtual HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) = 0;                           // 48
    virtual HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name, VARIANT* object) = 0;       // 49
    virtual HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) = 0;                   // 50
    virtual HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() = 0;                                       // 51
    virtual HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(                           // 52
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ContainsFullScreenElementChanged(EventRegistrationToken token) = 0;  // 53
    virtual HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* containsFullScreenElement) = 0;         // 54
    virtual HRESULT STDMETHODCALLTYPE add_WebResourceRequested(                                                   // 55
        ICoreWebView2WebResourceRequestedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken token) = 0;  // 56
    virtual HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(                                  // 57
        LPCWSTR const uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT const resourceContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(  // 58
        LPCWSTR const uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT const resourceContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_WindowCloseRequested(  // 59
        ICoreWebView2WindowCloseRequestedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken token) = 0;  // 60
};

// ICoreWebView2Settings — IID {e562e4f0-d7fa-43ac-8d71-c05150499f00} — base IUnknown.
struct ICoreWebView2Settings : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* isScriptEnabled) = 0;          // 3
    virtual HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL isScriptEnabled) = 0;           // 4
    virtual HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* isWebMessageEnabled) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL isWebMessageEnabled) = 0;   // 6
    virtual HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* enabled) = 0;   // 7
    virtual HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL enabled) = 0;    // 8
    virtual HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* isStatusBarEnabled) = 0;    // 9
    virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL isStatusBarEnabled) = 0;     // 10
    virtual HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* areDevToolsEnabled) = 0;    // 11
    virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL areDevToolsEnabled) = 0;     // 12
    virtual HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* enabled) = 0;    // 13
    virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;     // 14
    virtual HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* allowed) = 0;            // 15
    virtual HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL allowed) = 0;             // 16
    virtual HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* enabled) = 0;             // 17
    virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL enabled) = 0;              // 18
    virtual HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* enabled) = 0;        // 19
    virtual HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL enabled) = 0;         // 20
};

// ICoreWebView2Settings2 — IID {ee9a0f68-f46c-4e32-ac23-ef8cac224d2a} — base ICoreWebView2Settings.
struct ICoreWebView2Settings2 : ICoreWebView2Settings {
    virtual HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR* value) = 0;  // 21
    virtual HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR value) = 0;  // 22
};

// ICoreWebView2Settings3 — IID {fdb5ab74-af33-4854-84f0-0a631deb5eba} — base ICoreWebView2Settings2.
struct ICoreWebView2Settings3 : ICoreWebView2Settings2 {
    virtual HRESULT STDMETHODCALLTYPE get_AreBrowserAcceleratorKeysEnabled(BOOL* value) = 0;  // 23
    virtual HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL value) = 0;   // 24
};

// ICoreWebView2Settings4 — IID {cb56846c-4168-4d53-b04f-03b6d6796ff2} — base ICoreWebView2Settings3.
struct ICoreWebView2Settings4 : ICoreWebView2Settings3 {
    virtual HRESULT STDMETHODCALLTYPE get_IsPasswordAutosaveEnabled(BOOL* value) = 0;  // 25
    virtual HRESULT STDMETHODCALLTYPE put_IsPasswordAutosaveEnabled(BOOL value) = 0;   // 26
    virtual HRESULT STDMETHODCALLTYPE get_IsGeneralAutofillEnabled(BOOL* value) = 0;   // 27
    virtual HRESULT STDMETHODCALLTYPE put_IsGeneralAutofillEnabled(BOOL value) = 0;    // 28
};

// ICoreWebView2Settings5 — IID {183e7052-1d03-43a0-ab99-98e043b66b39} — base ICoreWebView2Settings4.
struct ICoreWebView2Settings5 : ICoreWebView2Settings4 {
    virtual HRESULT STDMETHODCALLTYPE get_IsPinchZoomEnabled(BOOL* value) = 0;  // 29
    virtual HRESULT STDMETHODCALLTYPE put_IsPinchZoomEnabled(BOOL value) = 0;   // 30
};

// ICoreWebView2Settings6 — IID {11cb3acd-9bc8-43b8-83bf-f40753714f87} — base ICoreWebView2Settings5.
struct ICoreWebView2Settings6 : ICoreWebView2Settings5 {
    virtual HRESULT STDMETHODCALLTYPE get_IsSwipeNavigationEnabled(BOOL* value) = 0;  // 31
    virtual HRESULT STDMETHODCALLTYPE put_IsSwipeNavigationEnabled(BOOL value) = 0;   // 32
};

// ICoreWebView2Settings7 — IID {488dc902-35ef-42d2-bc7d-94b65c4bc49c} — base ICoreWebView2Settings6.
struct ICoreWebView2Settings7 : ICoreWebView2Settings6 {
    virtual HRESULT STDMETHODCALLTYPE get_HiddenPdfToolbarItems(COREWEBVIEW2_PDF_TOOLBAR_ITEMS* value) = 0;  // 33
    virtual HRESULT STDMETHODCALLTYPE put_HiddenPdfToolbarItems(COREWEBVIEW2_PDF_TOOLBAR_ITEMS value) = 0;   // 34
};

// ICoreWebView2Settings8 — IID {9e6b0e8f-86ad-4e81-8147-a9b5edb68650} — base ICoreWebView2Settings7.
struct ICoreWebView2Settings8 : ICoreWebView2Settings7 {
    virtual HRESULT STDMETHODCALLTYPE get_IsReputationCheckingRequired(BOOL* value) = 0;  // 35
    virtual HRESULT STDMETHODCALLTYPE put_IsReputationCheckingRequired(BOOL value) = 0;   // 36
};

// ICoreWebView2Settings9 — IID {0528a73b-e92d-49f4-927a-e547dddaa37d} — base ICoreWebView2Settings8.
struct ICoreWebView2Settings9 : ICoreWebView2Settings8 {
    virtual HRESULT STDMETHODCALLTYPE get_IsNonClientRegionSupportEnabled(BOOL* value) = 0;  // 37
    virtual HRESULT STDMETHODCALLTYPE put_IsNonClientRegionSupportEnabled(BOOL value) = 0;   // 38
};

// ICoreWebView2NavigationStartingEventArgs — IID {5b495469-e119-438a-9b18-7604f25f2e49} —
// base IUnknown. get_Uri's string is the caller's to CoTaskMemFree.
struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;                                                  // 3
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;                            // 4
    virtual HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* isRedirected) = 0;                                  // 5
    virtual HRESULT STDMETHODCALLTYPE get_RequestHeaders(ICoreWebView2HttpRequestHeaders** requestHeaders) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) = 0;                                              // 7
    virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;                                               // 8
    virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) = 0;                                // 9
};

// ICoreWebView2ContentLoadingEventArgs — IID {0c8a1275-9b6b-4901-87ad-70df25bafa6e} — base IUnknown.
struct ICoreWebView2ContentLoadingEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsErrorPage(BOOL* value) = 0;     // 3
    virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) = 0;  // 4
};

// ICoreWebView2NavigationCompletedEventArgs — IID {30d68b7d-20d9-4752-a9ca-ec8448fbb5c1} —
// base IUnknown.
struct ICoreWebView2NavigationCompletedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* isSuccess) = 0;                                     // 3
    virtual HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* webErrorStatus) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) = 0;                             // 5
};

// ICoreWebView2NewWindowRequestedEventArgs — IID {34acb11c-fc37-4418-9132-f9c21d1eafb9} —
// base IUnknown. Setters come before getters here, unlike everywhere else.
struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;                                     // 3
    virtual HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) = 0;                  // 4
    virtual HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) = 0;                 // 5
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;                                // 6
    virtual HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) = 0;                               // 7
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;               // 8
    virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) = 0;            // 9
    virtual HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures** value) = 0;  // 10
};

// ICoreWebView2WebMessageReceivedEventArgs — IID {0f99a40c-e962-4207-9e92-e3d542eff849} —
// base IUnknown. Every string out is the caller's to CoTaskMemFree.
struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) = 0;                // 3
    virtual HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) = 0;      // 4
    virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) = 0;  // 5
};

// --- The runtime's own entry -----------------------------------------------------------------

// How the runtime was found: through the installed (evergreen) runtime's registry value, or as
// a fixed-version folder that was given.
enum class WebView2RunTimeType : int {
    installed = 0,
    fixed_version = 1,
};

// Exported by <runtime folder>\EBWebView\x64\EmbeddedBrowserWebView.dll; what the SDK's loader
// library calls. The meaning of the first argument is not published; pass true, as every known
// caller does.
// `environmentOptions` is the host's ICoreWebView2EnvironmentOptions object, or null.
using CreateWebViewEnvironmentWithOptionsInternal = HRESULT STDMETHODCALLTYPE(
    bool unpublished_flag, WebView2RunTimeType runtimeType, PCWSTR userDataFolder, IUnknown* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);

}  // namespace tarven::webview2

namespace tarven {

// --- The interface ID of each interface ------------------------------------------------------

#define TARVEN_WEBVIEW2_INTERFACE_ID(Interface)                       \
    template <>                                                       \
    struct com_interface_id<webview2::Interface> {                    \
        static const IID& get() { return webview2::IID_##Interface; } \
    }

TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2EnvironmentOptions);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Environment);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Environment2);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Environment3);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Environment4);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Environment5);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2BrowserProcessExitedEventHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2BrowserProcessExitedEventArgs);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Controller);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Controller2);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Settings);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Settings2);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Settings3);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Settings4);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Settings5);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Settings6);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Settings7);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Settings8);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2Settings9);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2NavigationStartingEventHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2ContentLoadingEventHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2NavigationCompletedEventHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2NewWindowRequestedEventHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2WindowCloseRequestedEventHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2WebMessageReceivedEventHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2ExecuteScriptCompletedHandler);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2NavigationStartingEventArgs);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2ContentLoadingEventArgs);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2NavigationCompletedEventArgs);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2NewWindowRequestedEventArgs);
TARVEN_WEBVIEW2_INTERFACE_ID(ICoreWebView2WebMessageReceivedEventArgs);

#undef TARVEN_WEBVIEW2_INTERFACE_ID

}  // namespace tarven
