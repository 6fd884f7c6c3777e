#pragma once
// One move-only owner per kind of OS resource, each declared in one line from its close function.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace tarven {

template <class Pointer>
Pointer null_value() {
    return nullptr;
}
inline HANDLE invalid_handle_value() { return INVALID_HANDLE_VALUE; }
inline SOCKET invalid_socket_value() { return INVALID_SOCKET; }

// `Close` is called with the value when the owner lets go of it; `Invalid` gives the value that
// means "nothing owned".
template <class Pointer, auto Close, Pointer (*Invalid)() = null_value<Pointer>>
class unique_any {
public:
    using pointer = Pointer;

    unique_any() = default;
    explicit unique_any(pointer value) : value_(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    pointer get() const { return value_; }
    bool valid() const { return value_ != Invalid(); }
    explicit operator bool() const { return valid(); }

    // The caller owns the value from now on.
    [[nodiscard]] pointer release() { return std::exchange(value_, Invalid()); }
    // Keeps the calling thread's last error: letting go of a handle after a failed call must
    // not change what that call said.
    void reset(pointer value = Invalid()) {
        const pointer old = std::exchange(value_, value);
        if (old == Invalid()) return;
        const DWORD error = ::GetLastError();
        Close(old);
        ::SetLastError(error);
    }
    // For a function that writes the value out: whatever was owned goes first, and the value
    // written is owned from the moment the call returns.
    pointer* put() {
        reset();
        return &value_;
    }

private:
    pointer value_ = Invalid();
};

using unique_handle = unique_any<HANDLE, ::CloseHandle>;
using unique_hfile = unique_any<HANDLE, ::CloseHandle, invalid_handle_value>;
using unique_hfind = unique_any<HANDLE, ::FindClose, invalid_handle_value>;
using unique_socket = unique_any<SOCKET, ::closesocket, invalid_socket_value>;
using unique_hmodule = unique_any<HMODULE, ::FreeLibrary>;
using unique_hlocal = unique_any<HLOCAL, ::LocalFree>;
using unique_hkey = unique_any<HKEY, ::RegCloseKey>;
using unique_environment_strings = unique_any<wchar_t*, ::FreeEnvironmentStringsW>;
// A string that a COM call hands out for the caller to free.
using unique_cotaskmem_string = unique_any<wchar_t*, ::CoTaskMemFree>;

// What CreateProcessW writes out: both handles are owned from the moment it returns.
class unique_process_information {
public:
    unique_process_information() = default;
    unique_process_information(const unique_process_information&) = delete;
    unique_process_information& operator=(const unique_process_information&) = delete;
    ~unique_process_information() { reset(); }

    PROCESS_INFORMATION* put() {
        reset();
        return &info_;
    }
    const PROCESS_INFORMATION& get() const { return info_; }
    // The handles, each to an owner of its own; nothing is left here.
    [[nodiscard]] unique_handle take_process() { return unique_handle(std::exchange(info_.hProcess, nullptr)); }
    [[nodiscard]] unique_handle take_thread() { return unique_handle(std::exchange(info_.hThread, nullptr)); }
    void reset() {
        const unique_handle process(info_.hProcess);
        const unique_handle thread(info_.hThread);
        info_ = {};
    }

private:
    PROCESS_INFORMATION info_{};
};

}  // namespace tarven
