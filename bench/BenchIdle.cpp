// Idle cost of the viewer beside the bare window: CPU time and wake-ups
// over the same seconds, nobody touching either.
#include "Benches.h"

#include "BenchClock.h"
#include "BenchReport.h"
#include "Probe.h"
#include "UnixProcess.h"

#include <memory>

namespace {

constexpr DWORD kVisibleTimeoutMs = 30000;
// After the window shows, the viewer still lays out, paints and loads its
// start page; idle begins once that is over.
constexpr DWORD kSettleMs = 2000;

std::wstring FileName(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

double ProcessTimeMs(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1.0;
    auto ticks = [](const FILETIME& time) {
        return double((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10000.0;
}

struct Watched {
    const Target* target = nullptr;
    std::unique_ptr<ChildProcess> child;
    std::optional<UnixProcess> unix;
    UnixCounters before;
    double processTimeBefore = 0;
    std::vector<double> cpuMs, wakeups, switches, processTimeMs;
};

}  // namespace

void BenchIdle(const Target& app, const Target& floor, int seconds, int runs) {
    Watched watched[2];
    watched[0].target = &app;
    watched[1].target = &floor;
    for (int run = 0; run < runs; ++run) {
        for (Watched& one : watched) one.child = std::make_unique<ChildProcess>();
        bool ready = true;
        for (Watched& one : watched) {
            std::string name = Utf8(one.target->name), error;
            if (!one.child->StartAndWaitVisible(*one.target, kVisibleTimeoutMs, &error)) {
                Failure("idle " + name + ": " + error);
                ready = false;
                continue;
            }
            one.unix = UnixProcess::Find(FileName(one.target->exe), &error);
            if (!one.unix) {
                Failure("idle " + name + ": " + error);
                ready = false;
            }
        }
        if (!ready) return;
        Sleep(kSettleMs);
        for (Watched& one : watched) {
            std::optional<UnixCounters> counters = one.unix->Read();
            if (!counters) {
                Failure("idle " + Utf8(one.target->name) + ": cannot read /proc");
                return;
            }
            one.before = *counters;
            one.processTimeBefore = ProcessTimeMs(one.child->Handle());
        }
        Sleep(DWORD(seconds) * 1000);
        for (Watched& one : watched) {
            std::string name = Utf8(one.target->name);
            std::optional<UnixCounters> after = one.unix->Read();
            if (!after || WaitForSingleObject(one.child->Handle(), 0) != WAIT_TIMEOUT) {
                Failure("idle " + name + ": process ended while idle");
                return;
            }
            one.cpuMs.push_back(double(after->cpuNs - one.before.cpuNs) / 1e6);
            one.wakeups.push_back(double(after->timeslices - one.before.timeslices));
            one.switches.push_back(double(after->voluntarySwitches - one.before.voluntarySwitches));
            one.processTimeMs.push_back(ProcessTimeMs(one.child->Handle()) - one.processTimeBefore);
        }
        for (Watched& one : watched) {
            std::optional<DWORD> exitCode = one.child->Close(10000);
            if (!exitCode || *exitCode != 0) Failure("idle " + Utf8(one.target->name) + ": no clean exit");
        }
    }
    for (Watched& one : watched) {
        std::string key = "idle." + Utf8(one.target->name);
        Result(key + ".cpu_ms", Median(one.cpuMs));
        Result(key + ".cpu_ms", one.cpuMs);
        Result(key + ".wakeups", Median(one.wakeups));
        Result(key + ".wakeups", one.wakeups);
        Result(key + ".voluntary_switches", Median(one.switches));
        Result(key + ".wine_process_time_ms", Median(one.processTimeMs));
    }
}
