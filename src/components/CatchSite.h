// The components' catch site, around every window procedure, timer tick and
// control event, so that no C++ exception reaches the platform. The program
// installs the handler at start-up; with none, a failure ends the program.
#pragma once

#include <exception>

class TComponent;

using FailureHandler = void (*)(TComponent* sender, std::exception_ptr error) noexcept;
inline FailureHandler failureHandler = nullptr;

inline void SetFailureHandler(FailureHandler handler) noexcept { failureHandler = handler; }

// Runs f. A failure goes to the handler, and the caller gets false.
template <class F>
bool CatchSite(TComponent* sender, F&& f) noexcept {
    try {
        f();
        return true;
    } catch (...) {
        if (failureHandler == nullptr) std::terminate();
        failureHandler(sender, std::current_exception());
        return false;
    }
}
