// Reload ticks posted to the viewer's timer window, each followed by a
// progress event through the double: the time from the post to the
// double's Refresh, and the viewer's memory after 10 and after all ticks.
//
// The time is read by asking the double for its Refresh count right after
// the post. A message sent from another thread is handled before any posted
// one, so the first query usually answers before the tick runs; the viewer
// handles the next query only once the tick's handler has returned, so the
// first answer that counts the new Refresh comes at most one query round
// trip after Refresh was called. The figure is that upper bound; the round
// trip of one more query right after it is measured beside it.
#include "Benches.h"

#include "BenchClock.h"
#include "BenchReport.h"
#include "DoubleChannel.h"
#include "Probe.h"
#include "UnixProcess.h"

#include <psapi.h>

namespace {

constexpr DWORD kVisibleTimeoutMs = 30000;
constexpr DWORD kSettleMs = 1000;
constexpr double kTickTimeoutMs = 5000;
constexpr int kFirstMemoryTick = 10;
constexpr int kProgressMax = 100;
// Any timer id: the viewer takes every WM_TIMER on its timer window as a
// tick. lParam stays 0, or DispatchMessage would call it as a TIMERPROC.
constexpr WPARAM kTimerId = 1;

struct Memory {
    double anonKiB = 0, rssKiB = 0, workingSetKiB = 0, pagefileKiB = 0, privateKiB = 0;
};

std::optional<Memory> ReadMemory(const UnixProcess& unix, HANDLE process) {
    std::optional<UnixCounters> counters = unix.Read();
    PROCESS_MEMORY_COUNTERS_EX wine{};
    wine.cb = sizeof wine;
    if (!counters || !GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&wine), sizeof wine))
        return std::nullopt;
    return Memory{double(counters->anonKiB), double(counters->rssKiB), wine.WorkingSetSize / 1024.0,
                  wine.PagefileUsage / 1024.0, wine.PrivateUsage / 1024.0};
}

struct RunFigures {
    double tickMs, roundTripMs, polls;
    Memory atFirst, atLast;
};

std::optional<RunFigures> OneRun(const Target& app, int ticks) {
    ChildProcess child;
    std::string error;
    if (!child.StartAndWaitVisible(app, kVisibleTimeoutMs, &error)) {
        Failure("ticks: " + error);
        return std::nullopt;
    }
    std::optional<DoubleChannel> channel = DoubleChannel::Open(child.Id(), 5000);
    HWND timer = TopLevelOf(child.Id(), L"TPUtilWindow");
    std::optional<UnixProcess> unix = UnixProcess::Find(L"QuellmarkBrenvik.exe", &error);
    if (!channel || !timer || !unix) {
        Failure(std::string("ticks: ") +
                (!channel     ? "no control window of the double"
                     : !timer ? "no TPUtilWindow"
                              : error));
        return std::nullopt;
    }
    Sleep(kSettleMs);
    std::optional<LRESULT> base = channel->Send("query refreshes");
    if (!base) {
        Failure("ticks: the double does not answer");
        return std::nullopt;
    }
    std::vector<double> tickMs, polls, roundTrips;
    RunFigures figures{};
    for (int tick = 1; tick <= ticks; ++tick) {
        LRESULT expected = *base + tick;
        Stopwatch clock;
        PostMessageW(timer, WM_TIMER, kTimerId, 0);
        std::optional<LRESULT> count;
        int queries = 0;
        do {
            count = channel->Send("query refreshes");
            ++queries;
        } while (count && *count < expected && clock.ElapsedMs() < kTickTimeoutMs);
        if (!count || *count != expected) {
            Failure("ticks: after tick " + std::to_string(tick) + " the double counts " +
                    (count ? std::to_string(*count - *base) : std::string("nothing")) + " Refresh calls");
            return std::nullopt;
        }
        tickMs.push_back(clock.ElapsedMs());
        polls.push_back(queries);
        // One more query right after the tick, while the viewer is as awake as at its end, measures the round trip
        // that the upper bound includes.
        clock.Restart();
        if (channel->Send("query refreshes") != expected) {
            Failure("ticks: the Refresh count changed without a tick");
            return std::nullopt;
        }
        roundTrips.push_back(clock.ElapsedMs());
        std::string progress =
            "progress " + std::to_string(tick % (kProgressMax + 1)) + " " + std::to_string(kProgressMax);
        if (channel->Send(progress) != 1) {
            Failure("ticks: '" + progress + "' was not delivered to the viewer's event sink");
            return std::nullopt;
        }
        if (tick == kFirstMemoryTick || tick == ticks) {
            std::optional<Memory> memory = ReadMemory(*unix, child.Handle());
            if (!memory) {
                Failure("ticks: cannot read the viewer's memory");
                return std::nullopt;
            }
            (tick == kFirstMemoryTick ? figures.atFirst : figures.atLast) = *memory;
        }
    }
    std::optional<DWORD> exitCode = child.Close(10000);
    if (!exitCode || *exitCode != 0) {
        Failure("ticks: the viewer did not exit with 0 after the ticks");
        return std::nullopt;
    }
    figures.tickMs = Median(tickMs);
    figures.roundTripMs = Median(roundTrips);
    figures.polls = Median(polls);
    return figures;
}

}  // namespace

void BenchTicks(const Target& app, int ticks, int runs) {
    if (ticks < kFirstMemoryTick) {
        Failure("ticks: at least " + std::to_string(kFirstMemoryTick) + " ticks are needed");
        return;
    }
    // The figures in the order they are printed; those marked true print every sample beside the median.
    const std::pair<const char*, bool> kFigures[] = {
        {"tick.ms", true},
        {"tick.query_roundtrip_ms", false},
        {"tick.net_ms", false},
        {"tick.queries_per_tick", false},
        {"memory.anon_first_kib", false},
        {"memory.anon_last_kib", false},
        {"memory.anon_growth_kib", true},
        {"memory.rss_growth_kib", false},
        {"memory.wine_working_set_growth_kib", false},
        {"memory.wine_pagefile_growth_kib", false},
        {"memory.wine_private_growth_kib", false},
    };
    std::vector<double> samples[std::size(kFigures)];
    for (int run = 0; run < runs; ++run) {
        std::optional<RunFigures> figures = OneRun(app, ticks);
        if (!figures) return;
        const RunFigures& f = *figures;
        const Memory &first = f.atFirst, &last = f.atLast;
        const double values[] = {f.tickMs,
                                 f.roundTripMs,
                                 f.tickMs - f.roundTripMs,
                                 f.polls,
                                 first.anonKiB,
                                 last.anonKiB,
                                 last.anonKiB - first.anonKiB,
                                 last.rssKiB - first.rssKiB,
                                 last.workingSetKiB - first.workingSetKiB,
                                 last.pagefileKiB - first.pagefileKiB,
                                 last.privateKiB - first.privateKiB};
        static_assert(std::size(values) == std::size(kFigures));
        for (size_t i = 0; i < std::size(values); ++i) samples[i].push_back(values[i]);
    }
    for (size_t i = 0; i < std::size(kFigures); ++i) {
        Result(kFigures[i].first, Median(samples[i]));
        if (kFigures[i].second) Result(kFigures[i].first, samples[i]);
    }
}
