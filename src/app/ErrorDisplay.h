// The one place where failures are shown. The application installs
// ReportException as the components' failure handler.
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
