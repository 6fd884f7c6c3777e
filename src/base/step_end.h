#pragma once
// How a step under the starter gate ends when it does not fail: done, or stopped because the gate
// had closed (the run is ending) and the step left its work undone. Every such step says it this
// way: unpacking the payload, making or writing one of its files, starting the application.
namespace tarven {

enum class StepEnd { done, stopped };

}  // namespace tarven
