#pragma once
// The launcher's standard handles, passed on to a program it starts.
#include <windows.h>

#include "base/unique_resource_win.h"

namespace tarven {

// Inheritable copies of the launcher's standard handles (its own may not be marked inheritable),
// none where the launcher has none. They live as long as this object; the child gets its own.
class InheritedStdHandles {
public:
    InheritedStdHandles();

    // Names the handles in the start-up information: a GUI program gets them only that way.
    void fill(STARTUPINFOW& startup) const;

private:
    unique_handle input_, output_, error_;
};

}  // namespace tarven
