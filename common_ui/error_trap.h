// The failure being handled, as the one error type both windows report: a server error as it
// is; running out of memory as 7, an out-of-range access as 9 and an overflow as 6 with their
// standard descriptions; any other failure as 5 with its own message.
#pragma once

#include "b3/edit_object.h"

namespace b3::ui {

// Call only inside a catch block.
b3::Error CurrentError();

// Runs `f`; on any failure calls `report()` inside the handler (where CurrentError names the
// failure) and goes on. Returns whether `f` completed.
template <typename Report, typename F>
bool Trap(Report&& report, F&& f) {
    try {
        f();
        return true;
    } catch (...) {
        report();
        return false;
    }
}

}  // namespace b3::ui
