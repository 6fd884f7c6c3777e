#pragma once
// The IID of a COM interface, for QueryInterface without __uuidof (hand-declared interfaces carry
// plain IID constants): whoever declares an interface gives it a com_interface_id of its own.
#include <windows.h>
#include <unknwn.h>

namespace tarven {

template <class Interface>
struct com_interface_id;

template <>
struct com_interface_id<IUnknown> {
    static const IID& get() { return IID_IUnknown; }
};

}  // namespace tarven
