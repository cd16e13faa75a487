// Start-up to visible main window for the viewer, the floor and the peer.
#include "Benches.h"

#include "BenchClock.h"
#include "BenchReport.h"
#include "Probe.h"

#include <map>

namespace {

constexpr DWORD kVisibleTimeoutMs = 30000;
constexpr DWORD kCloseTimeoutMs = 10000;
// Lets the previous program's teardown in Wine finish before the next starts.
constexpr DWORD kPauseMs = 300;

}  // namespace

void BenchStartup(const std::vector<Target>& targets, int runs, int warmups) {
    std::map<std::wstring, std::vector<double>> samples;
    for (int round = 0; round < warmups + runs; ++round) {
        for (const Target& target : targets) {
            std::string name = Utf8(target.name);
            ChildProcess child;
            std::string error;
            std::optional<double> ms = child.StartAndWaitVisible(target, kVisibleTimeoutMs, &error);
            if (!ms) {
                Failure("startup " + name + ": " + error);
                return;
            }
            std::optional<DWORD> exitCode = child.Close(kCloseTimeoutMs);
            if (!exitCode)
                Failure("startup " + name + ": did not end within " + std::to_string(kCloseTimeoutMs) +
                        " ms of WM_CLOSE");
            else if (*exitCode != 0)
                Failure("startup " + name + ": exit code " + std::to_string(*exitCode) + " after WM_CLOSE");
            if (round >= warmups) samples[target.name].push_back(*ms);
            Sleep(kPauseMs);
        }
    }
    for (const Target& target : targets) {
        std::string key = "startup." + Utf8(target.name) + ".ms";
        Result(key, Median(samples[target.name]));
        Result(key, samples[target.name]);
    }
}
