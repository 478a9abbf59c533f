// A disk that fills up: a write meeting it fails with no space left after `after` bytes of its
// temporary file, as on a full disk. Passed where a write takes its faults.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/files.h"

class FullDisk : public b3::platform::WriteFaults {
public:
    explicit FullDisk(std::size_t after) : after_(after) {}
    std::optional<std::size_t> FailAfter(std::size_t) const override { return after_; }

private:
    std::size_t after_;
};
