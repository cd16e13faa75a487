// OLE on the main thread for the lifetime of the owner. OLE, not the
// component-object runtime alone: the browser control is activated in place,
// and it copies a selection through the OLE clipboard, which refuses a thread
// that only called CoInitialize.
#pragma once

#include <windows.h>
#include <ole2.h>

class OleSession {
public:
    OleSession() : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}
    // Only a successful OleInitialize is undone; S_FALSE, which says the
    // thread had OLE already, counts as one, since it was counted too.
    ~OleSession() {
        if (initialised_) OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

private:
    bool initialised_;
};
