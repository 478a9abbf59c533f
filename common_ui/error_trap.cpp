#include "common_ui/error_trap.h"

#include <new>
#include <stdexcept>

namespace b3::ui {

namespace {
b3::Error Standard(std::int32_t number) {
    return {number, "", b3::DescribeError(number)};
}
}  // namespace

b3::Error CurrentError() {
    try {
        throw;
    } catch (const b3::Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return Standard(b3::kErrOutOfMemory);
    } catch (const std::out_of_range&) {
        return Standard(b3::kErrSubscript);
    } catch (const std::overflow_error&) {
        return Standard(b3::kErrOverflow);
    } catch (const std::exception& e) {
        return {b3::kErrInvalidArgument, "", e.what()};
    } catch (...) {
        return Standard(b3::kErrInvalidArgument);
    }
}

}  // namespace b3::ui
