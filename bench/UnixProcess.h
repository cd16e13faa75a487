// The Linux process behind a process that Wine runs, read through drive Z:
// from /proc: Wine's own process counters come in 10 ms steps and report no
// private bytes, too coarse for the idle and memory figures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

struct UnixCounters {
    uint64_t cpuNs = 0;  // schedstat: time on a CPU, all threads
    uint64_t timeslices = 0;  // schedstat: times put on a CPU, all threads
    uint64_t voluntarySwitches = 0;  // status: waits that blocked, all threads
    uint64_t rssKiB = 0;  // status VmRSS
    uint64_t anonKiB = 0;  // status RssAnon: the process's own pages
};

class UnixProcess {
public:
    // Finds the one Linux process of this Wine prefix whose program file has the given name, ignoring case; returns
    // nothing when there is none or more than one.
    static std::optional<UnixProcess> Find(const std::wstring& exeName, std::string* error);

    unsigned long Pid() const { return pid_; }
    std::optional<UnixCounters> Read() const;

private:
    explicit UnixProcess(unsigned long pid) : pid_(pid) {}
    unsigned long pid_;
};
