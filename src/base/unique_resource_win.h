#pragma once
// One move-only owner per kind of OS resource, all from one template.
#include <winsock2.h>
#include <windows.h>

#include <utility>

namespace tarven {

template <class Traits>
class unique_any {
public:
    using pointer = typename Traits::pointer;

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
    bool valid() const { return value_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    pointer release() { return std::exchange(value_, Traits::invalid()); }
    void reset(pointer value = Traits::invalid()) {
        const pointer old = std::exchange(value_, value);
        if (old != Traits::invalid()) Traits::close(old);
    }

private:
    pointer value_ = Traits::invalid();
};

struct handle_traits {
    using pointer = HANDLE;
    static pointer invalid() { return nullptr; }
    static void close(pointer h) { ::CloseHandle(h); }
};

struct hfile_traits {
    using pointer = HANDLE;
    static pointer invalid() { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) { ::CloseHandle(h); }
};

struct find_traits {
    using pointer = HANDLE;
    static pointer invalid() { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) { ::FindClose(h); }
};

struct socket_traits {
    using pointer = SOCKET;
    static pointer invalid() { return INVALID_SOCKET; }
    static void close(pointer s) { ::closesocket(s); }
};

struct hmodule_traits {
    using pointer = HMODULE;
    static pointer invalid() { return nullptr; }
    static void close(pointer m) { ::FreeLibrary(m); }
};

struct local_traits {
    using pointer = HLOCAL;
    static pointer invalid() { return nullptr; }
    static void close(pointer p) { ::LocalFree(p); }
};

struct hkey_traits {
    using pointer = HKEY;
    static pointer invalid() { return nullptr; }
    static void close(pointer k) { ::RegCloseKey(k); }
};

using unique_handle = unique_any<handle_traits>;
using unique_hfile = unique_any<hfile_traits>;
using unique_hfind = unique_any<find_traits>;
using unique_socket = unique_any<socket_traits>;
using unique_hmodule = unique_any<hmodule_traits>;
using unique_hlocal = unique_any<local_traits>;
using unique_hkey = unique_any<hkey_traits>;

}  // namespace tarven
