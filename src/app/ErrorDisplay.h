// The one place where failures are shown, and the catch sites' wrapper.
#pragma once

#include <exception>

class TComponent;

// Shows the failure in a modal box captioned with the application title, or
// nothing for EAbort, and returns when the user has closed it. Never throws.
void ReportException(TComponent* sender, std::exception_ptr error) noexcept;

// The task-modal "Application Error" box, for a failure that no handler can
// take: the start-up failure path, and objects that are not Exceptions.
void ShowFallbackErrorBox(std::exception_ptr error) noexcept;

// "Runtime error NNN at XXXXXXXX", captioned "Error".
void ShowRuntimeErrorBox(int errorNumber, const void* address) noexcept;

// Runs f; a failure goes to the error display with sender, and the caller
// carries on as if f had finished; false tells it that f failed. Every window
// procedure, timer tick and control event of the program runs inside one, so
// no C++ exception reaches the platform.
template <class F>
bool CatchSite(TComponent* sender, F&& f) noexcept
{
    try {
        f();
        return true;
    } catch (...) {
        ReportException(sender, std::current_exception());
        return false;
    }
}
