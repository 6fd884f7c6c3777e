#pragma once
// Registry values that a test sets in its Wine prefix and puts back when it is done.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

namespace tarven::test {

// Sets one value and puts back what was there before (the old value, or no value and no key)
// when it goes.
class RegistryValueGuard {
public:
    RegistryValueGuard(HKEY root, REGSAM view, std::wstring key, std::wstring name);
    ~RegistryValueGuard();
    RegistryValueGuard(const RegistryValueGuard&) = delete;
    RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;

    Status set(const std::wstring& value);  // REG_SZ
    Status set(DWORD value);                // REG_DWORD

private:
    struct Value {
        DWORD type = REG_NONE;
        std::vector<BYTE> bytes;
    };
    Status write(const Value& value);

    HKEY root_;
    REGSAM view_;
    std::wstring key_, name_;
    bool created_key_ = false;
    bool written_ = false;
    std::optional<Value> old_;  // read before the first write
};

}  // namespace tarven::test
