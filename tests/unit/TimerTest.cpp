// When the refresh timer kills and starts its platform timer: a setter call per row, on a timer built as Timer1.
#include "Exceptions.h"
#include "TimerSchedule.h"

#include <gtest/gtest.h>

namespace {

struct FakeTimer : PlatformTimer {
    std::string calls;
    bool refuse = false;
    void Kill() override { calls += "kill "; }
    bool Start(std::uint32_t interval) override { return calls += "start " + std::to_string(interval) + " ", !refuse; }
};

// Class default 1000 ms; the form sets Interval 300000, then attaches OnTimer. refused: the platform refuses the timer.
// clang-format off
enum class Set { Interval, Enabled, Handler };
struct Step { Set what; std::uint32_t value; std::string_view calls; bool refused = false; };
const Step kSteps[] = {
    {Set::Interval, 300000, "kill "}, {Set::Handler, 1, "kill start 300000 "},
    {Set::Interval, 300000, ""},  // "05" after "5": the countdown goes on
    {Set::Interval, 60000, "kill start 60000 "}, {Set::Interval, 0, "kill "},  // "0" stops the timer
    {Set::Interval, 120000, "kill start 120000 "}, {Set::Enabled, 1, ""},
    {Set::Interval, 180000, "kill start 180000 ", true}, {Set::Interval, 180000, ""},  // refused: kept, not retried
    {Set::Interval, 4294920000u, "kill start 4294920000 "}, {Set::Handler, 1, "kill start 4294920000 "},  // re-arms
    {Set::Enabled, 0, "kill "}, {Set::Interval, 60000, "kill "}, {Set::Enabled, 1, "kill start 60000 "},
};
// clang-format on

TEST(Timer, RearmRules) {
    FakeTimer platform;
    TimerSchedule schedule(platform);
    for (std::size_t row = 0; row < std::size(kSteps); ++row) {
        const Step& step = kSteps[row];
        platform.calls.clear();
        platform.refuse = step.refused;
        std::string error;
        try {
            if (step.what == Set::Interval) schedule.SetInterval(step.value);
            else if (step.what == Set::Enabled) schedule.SetEnabled(step.value != 0);
            else schedule.SetHandlerAttached(step.value != 0);
        } catch (const EOutOfResources& failure) { error = failure.Message(); }
        EXPECT_EQ(platform.calls, step.calls) << "row " << row;
        EXPECT_EQ(error, step.refused ? "Not enough timers available" : "") << "row " << row;
        if (step.what == Set::Interval) { EXPECT_EQ(schedule.Interval(), step.value) << "row " << row; }
    }
}

}  // namespace
