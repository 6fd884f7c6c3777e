#pragma once
// How a step of the unpacking ends when it does not fail. Its steps are the starter gate's (the
// launcher's writer stops once the gate has closed), so they end as every gated step does.
#include "base/step_end.h"

namespace tarven {

using UnpackEnd = StepEnd;

}  // namespace tarven
