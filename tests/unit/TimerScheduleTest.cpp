// When the refresh timer's platform timer is killed and started.
#include "Exceptions.h"
#include "TimerSchedule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FakeTimer : public PlatformTimer {
public:
    bool refuse = false;
    bool running = false;
    std::vector<std::string> calls;

    void Kill() override {
        calls.push_back("kill");
        running = false;
    }
    bool Start(std::uint32_t interval) override {
        calls.push_back("start " + std::to_string(interval));
        running = !refuse;
        return running;
    }
};

enum class Op { Interval, Enabled, Handler, Refuse };

struct Step {
    Op op;
    std::uint32_t value;
    std::vector<std::string> calls;
    bool running;
    std::string error = "";
};

struct Scenario {
    std::string name;
    std::vector<Step> steps;
};

const std::string kRefused = "Not enough timers available";

// Each scenario starts like the form definition leaves the timer: Interval
// 300000 set first, then the handler attached.
const Scenario kScenarios[] = {
    {"loading the definition",
     {{Op::Interval, 300000, {"kill"}, false}, {Op::Handler, 1, {"kill", "start 300000"}, true}}},
    {"equal interval leaves the countdown alone",
     {{Op::Interval, 300000, {"kill"}, false},
      {Op::Handler, 1, {"kill", "start 300000"}, true},
      {Op::Interval, 300000, {}, true}}},
    {"changed interval restarts",
     {{Op::Interval, 300000, {"kill"}, false},
      {Op::Handler, 1, {"kill", "start 300000"}, true},
      {Op::Interval, 60000, {"kill", "start 60000"}, true}}},
    {"zero stops, a value starts again",
     {{Op::Interval, 300000, {"kill"}, false},
      {Op::Handler, 1, {"kill", "start 300000"}, true},
      {Op::Interval, 0, {"kill"}, false},
      {Op::Interval, 120000, {"kill", "start 120000"}, true}}},
    {"attaching again re-arms",
     {{Op::Handler, 1, {"kill", "start 1000"}, true},
      {Op::Handler, 1, {"kill", "start 1000"}, true},
      {Op::Handler, 0, {"kill"}, false}}},
    {"refused timer",
     {{Op::Interval, 300000, {"kill"}, false},
      {Op::Handler, 1, {"kill", "start 300000"}, true},
      {Op::Refuse, 1, {}, true},
      {Op::Interval, 60000, {"kill", "start 60000"}, false, kRefused},
      {Op::Interval, 60000, {}, false},
      {Op::Refuse, 0, {}, false},
      {Op::Interval, 60000, {}, false},
      {Op::Interval, 120000, {"kill", "start 120000"}, true}}},
    {"refused while the definition attaches the handler",
     {{Op::Refuse, 1, {}, false},
      {Op::Interval, 300000, {"kill"}, false},
      {Op::Handler, 1, {"kill", "start 300000"}, false, kRefused}}},
    {"disabled",
     {{Op::Handler, 1, {"kill", "start 1000"}, true},
      {Op::Enabled, 0, {"kill"}, false},
      {Op::Enabled, 0, {}, false},
      {Op::Interval, 5000, {"kill"}, false},
      {Op::Enabled, 1, {"kill", "start 5000"}, true}}},
};

TEST(TimerSchedule, Scenarios) {
    for (const auto& scenario : kScenarios) {
        FakeTimer timer;
        TimerSchedule schedule(timer);
        std::uint32_t interval = 1000;
        for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
            const Step& step = scenario.steps[i];
            const std::string where = scenario.name + ", step " + std::to_string(i + 1);
            timer.calls.clear();
            std::string raised;
            try {
                switch (step.op) {
                case Op::Interval:
                    interval = step.value;
                    schedule.SetInterval(step.value);
                    break;
                case Op::Enabled: schedule.SetEnabled(step.value != 0); break;
                case Op::Handler: schedule.SetHandlerAttached(step.value != 0); break;
                case Op::Refuse: timer.refuse = step.value != 0; break;
                }
            } catch (const EOutOfResources& error) {
                raised = error.Message();
            }
            EXPECT_EQ(timer.calls, step.calls) << where << ": platform calls";
            EXPECT_EQ(timer.running, step.running) << where << ": platform timer running";
            EXPECT_EQ(raised, step.error) << where << ": error";
            EXPECT_EQ(schedule.Interval(), interval) << where << ": Interval stored";
        }
    }
}

}  // namespace
