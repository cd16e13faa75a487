// The DLL's own state: its instance handle, the objects alive in it and the
// server locks, which decide when the module may be unloaded.
#pragma once

#include <windows.h>

#include <cstddef>

namespace qbdouble {

class BrowserDouble;

HINSTANCE ModuleInstance();

// The first object brings up the control window on its thread; the last one
// takes it and the window classes down again.
void ObjectCreated(BrowserDouble* object);
void ObjectDestroyed(BrowserDouble* object);

// The object that the control window's commands act on: the newest alive.
BrowserDouble* CurrentObject();

void LockModule();
void UnlockModule();

}  // namespace qbdouble
