// The base of every failure the program raises, and where it was raised.
#include "Exceptions.h"

#include <utility>

// Kept out of line so that the return address is the raise site's code, not
// wherever an inlined copy would have landed.
__attribute__((noinline)) Exception::Exception(std::string message)
    : message_(std::move(message)), address_(__builtin_return_address(0)) {}

const void* FailureAddress(const std::exception_ptr& error) noexcept {
    // Rethrowing a null exception_ptr is undefined.
    if (!error) return nullptr;
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) { return e.Address(); } catch (...) {
        return nullptr;
    }
}
