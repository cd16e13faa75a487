// Turns failed HRESULTs of calls into the browser control into the program's
// exceptions, with the messages the error display shows.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

// The system's text for an error code, or empty when it has none.
std::string SystemErrorText(HRESULT hr);

// Raises EOleSysError for a failed hr; used when creating, loading and activating the control.
void OleCheck(HRESULT hr);

// For a call through interface iid of object: EOleException with the
// description of the error object the call left behind, where the object
// says that it reports its failures through error objects.
void OleCheckCall(HRESULT hr, IUnknown* object, REFIID iid);
