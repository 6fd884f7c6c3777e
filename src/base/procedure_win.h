#pragma once
// Functions looked up at run time, in a library that may lack them (an older Windows).
#include <windows.h>

namespace tarven {

// The export `name` of `module` as the function pointer type `Function`, or null when there is
// no module or no such export. The cast goes through void(*)(), which compilers accept as a
// neutral function pointer type.
template <class Function>
Function find_procedure(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace tarven
