// The pointer shapes the controls ask for, loaded once at start-up.
#pragma once

#include "Control.h"

#include <windows.h>

// The hand is the executable's own cursor resource; the platform's hand
// stands in if the resource is missing.
void LoadProgramCursors(HINSTANCE instance);
HCURSOR CursorFor(TCursor cursor);
