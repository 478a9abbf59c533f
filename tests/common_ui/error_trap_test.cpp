// The one error trap of both windows: every kind of failure arrives as a number, a source and a
// description the user can read.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "common_ui/error_trap.h"

namespace {

template <typename Throw>
b3::Error Caught(Throw&& fail) {
    try {
        fail();
    } catch (...) {
        return b3::ui::CurrentError();
    }
    ADD_FAILURE() << "nothing was thrown";
    return {0, "", ""};
}

TEST(ErrorTrap, EveryFailureBecomesTheOneErrorType) {
    const b3::Error server = Caught([] { throw b3::Error(b3::kErrNoFiles, "Army", "No files"); });
    EXPECT_EQ(server.number(), b3::kErrNoFiles);
    EXPECT_EQ(server.source(), "Army");
    EXPECT_EQ(server.description(), "No files");

    const struct {
        int number;
        b3::Error error;
    } standard[] = {
        {b3::kErrOutOfMemory, Caught([] { throw std::bad_alloc(); })},
        {b3::kErrSubscript, Caught([] { throw std::out_of_range("vector::at"); })},
        {b3::kErrOverflow, Caught([] { throw std::overflow_error("big"); })},
        {b3::kErrInvalidArgument, Caught([] { throw 42; })},
    };
    for (const auto& [number, error] : standard) {
        EXPECT_EQ(error.number(), number);
        EXPECT_EQ(error.description(), b3::DescribeError(number));
        EXPECT_FALSE(error.description().empty());
    }

    // Any other failure keeps its own words.
    const b3::Error other = Caught([] { throw std::runtime_error("the disk is full"); });
    EXPECT_EQ(other.number(), b3::kErrInvalidArgument);
    EXPECT_EQ(other.description(), "the disk is full");
}

}  // namespace
