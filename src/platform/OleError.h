// Turns failed HRESULTs of calls into the browser control into the program's
// exceptions, with the messages the error display shows.
#pragma once

#include <windows.h>

#include <string>

// The system's text for an error code, or empty when it has none.
std::string SystemErrorText(HRESULT hr);

// For creating, loading and activating the control: EOleSysError.
void OleCheck(HRESULT hr);

// For calls through the control's automation interface: EOleException with
// the description of the error object the control left behind.
void OleCheckCall(HRESULT hr);
