#include "registry_support_win.h"

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"

namespace tarven::test {

RegistryValueGuard::RegistryValueGuard(HKEY root, REGSAM view, std::wstring key, std::wstring name)
    : root_(root), view_(view), key_(std::move(key)), name_(std::move(name)) {}

Status RegistryValueGuard::set(const std::wstring& value) {
    const auto* bytes = reinterpret_cast<const BYTE*>(value.c_str());
    return write({REG_SZ, std::vector<BYTE>(bytes, bytes + (value.size() + 1) * sizeof(wchar_t))});
}

Status RegistryValueGuard::set(DWORD value) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&value);
    return write({REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof value)});
}

Status RegistryValueGuard::write(const Value& value) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    LSTATUS result = ::RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE | view_,
                                       nullptr, &key, &disposition);
    if (result != ERROR_SUCCESS) return fail("RegCreateKeyExW: " + render_os_error(static_cast<DWORD>(result)));
    const unique_hkey owner(key);
    if (!written_) {
        created_key_ = disposition == REG_CREATED_NEW_KEY;
        Value old;
        DWORD size = 0;
        if (::RegQueryValueExW(key, name_.c_str(), nullptr, &old.type, nullptr, &size) == ERROR_SUCCESS) {
            old.bytes.resize(size);
            if (::RegQueryValueExW(key, name_.c_str(), nullptr, &old.type, old.bytes.data(), &size) == ERROR_SUCCESS)
                old_ = std::move(old);
        }
    }
    result =
        ::RegSetValueExW(key, name_.c_str(), 0, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size()));
    if (result != ERROR_SUCCESS) return fail("RegSetValueExW: " + render_os_error(static_cast<DWORD>(result)));
    written_ = true;
    return {};
}

RegistryValueGuard::~RegistryValueGuard() {
    if (!written_) return;
    if (old_) {
        ::RegSetKeyValueW(root_, key_.c_str(), name_.c_str(), old_->type, old_->bytes.data(),
                          static_cast<DWORD>(old_->bytes.size()));
    } else if (created_key_) {
        ::RegDeleteKeyExW(root_, key_.c_str(), view_, 0);
    } else {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(root_, key_.c_str(), 0, KEY_SET_VALUE | view_, &key) == ERROR_SUCCESS) {
            const unique_hkey owner(key);
            ::RegDeleteValueW(key, name_.c_str());
        }
    }
}

}  // namespace tarven::test
