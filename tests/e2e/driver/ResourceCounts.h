// What another process holds of the platform's resources: kernel handles,
// GDI and USER objects, and its windows; -1 where the platform does not say.
#pragma once

#include <windows.h>

#include <string>

struct ResourceCounts {
    long long handles = -1;
    long long gdiObjects = -1;
    long long userObjects = -1;
    long long windows = -1;  // top-level windows and all their descendants
    std::string Text() const;
};

// Wine 8 answers GetProcessHandleCount with 0 and GetGuiResources with 0;
// its system handle table is read instead for the handles, and the window
// count stands in where no USER object count is given.
ResourceCounts SampleResources(DWORD processId);
