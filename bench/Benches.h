// The measurements the bench driver makes; each prints its figures through
// BenchReport and reports broken machinery as failures.
#pragma once

#include "ChildProcess.h"

#include <vector>

// Start-up to visible main window, the targets taking turns so that the
// machine's load falls on all of them alike; the first `warmups` rounds,
// which fill Wine's and the system's caches, are not counted.
void BenchStartup(const std::vector<Target>& targets, int runs, int warmups);
// CPU time and wake-ups of the viewer and of the bare window, both open
// side by side and untouched over the same seconds.
void BenchIdle(const Target& app, const Target& floor, int seconds, int runs);
// Reload ticks posted to the viewer's timer window: the time to the
// double's Refresh, and memory after 10 and after all ticks.
void BenchTicks(const Target& app, int ticks, int runs);
