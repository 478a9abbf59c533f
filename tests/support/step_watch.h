// A change of several files watched step by step: `onStep` hears the journal written (0) and
// each file put in place (1, 2, ...). Passed where a change takes its faults; a test stops the
// process at a step to see what the next command finds.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>

#include "platform/files.h"

class StepWatch : public b3::platform::WriteFaults {
public:
    explicit StepWatch(std::function<void(std::size_t)> onStep) : onStep_(std::move(onStep)) {}
    void StepDone(std::size_t done) const override { onStep_(done); }

private:
    std::function<void(std::size_t)> onStep_;
};
