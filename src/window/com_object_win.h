#pragma once
// The launcher's own COM objects (the web view's handlers and its environment options), and the
// one smart pointer for COM objects, Microsoft::WRL::ComPtr.
#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <atomic>
#include <tuple>
#include <utility>

#include "window/com_interface_id_win.h"

namespace tarven {

using Microsoft::WRL::ComPtr;

// Reference counting and QueryInterface for `Derived`, which implements `Interfaces` (each
// derived from IUnknown, each with a com_interface_id). The runtime keeps handlers past the
// call that registers them and releases them from its own code, so the count is real and atomic.
template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
public:
    template <class... Args>
    static ComPtr<Derived> make(Args&&... args) {
        // The count starts at 0 and the ComPtr takes the first reference (MinGW's ComPtr::Attach
        // adds one of its own, unlike the Windows SDK's, so it is not used).
        return ComPtr<Derived>(new Derived(std::forward<Args>(args)...));
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown) {
            *out = static_cast<First*>(this);
        } else {
            (void)((iid == com_interface_id<Interfaces>::get() && (*out = static_cast<Interfaces*>(this), true)) ||
                   ...);
        }
        if (*out == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return count_.fetch_add(1) + 1; }

    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = count_.fetch_sub(1) - 1;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

protected:
    ComObject() = default;
    ~ComObject() = default;

private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;
    std::atomic<ULONG> count_{0};
};

// The `Interface` of `object`, or null when it does not have it (an older runtime, say).
template <class Interface, class Object>
ComPtr<Interface> query_interface(Object* object) {
    ComPtr<Interface> result;
    if (object == nullptr || FAILED(object->QueryInterface(com_interface_id<Interface>::get(),
                                                           reinterpret_cast<void**>(result.GetAddressOf())))) {
        return {};
    }
    return result;
}

}  // namespace tarven
