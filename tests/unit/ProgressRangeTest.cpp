// The progress bar's range and position rules against a stand-in for the
// platform control, fed with the browser's ProgressChange pairs.
#include "Exceptions.h"
#include "ProgressRange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

// Holds its position within its range, as the platform control does, so
// that reading it back shows what the bar draws.
class FakeProgressBar : public ProgressBarWindow {
public:
    bool exists = true;
    std::vector<std::string> calls;

    bool Exists() const override { return exists; }
    void SendRange(std::int32_t min, std::int32_t max) override {
        calls.push_back("range " + std::to_string(min) + " " + std::to_string(max));
        min_ = min;
        max_ = max;
        position_ = std::clamp(position_, min_, max_);
    }
    void SendPosition(std::int32_t position) override {
        calls.push_back("pos " + std::to_string(position));
        position_ = std::clamp(position, min_, max_);
    }
    std::int32_t ReadPosition() override { return position_; }

    void Recreate() {
        min_ = 0;
        max_ = 100;
        position_ = 0;
    }

private:
    std::int32_t min_ = 0;
    std::int32_t max_ = 100;
    std::int32_t position_ = 0;
};

struct Event {
    std::int32_t progress;
    std::int32_t progressMax;
};

// What WebBrowser1ProgressChange does: the range first, and no position
// when the range is refused.
std::vector<std::string> Apply(ProgressRange& bar, const std::vector<Event>& events) {
    std::vector<std::string> errors;
    for (const auto& [progress, progressMax] : events) {
        try {
            bar.SetMax(progressMax);
            bar.SetPosition(progress);
        } catch (const EInvalidOperation& error) {
            errors.push_back(error.Message());
        }
    }
    return errors;
}

const std::string kOutOfRange = "TProgressBar property out of range";
const std::string kNarrow = "Value must be between 0 and 65535";

struct ProgressCase {
    std::string name;
    bool wideRange;
    std::vector<Event> events;
    std::vector<std::string> calls;
    std::vector<std::string> errors;
    std::int32_t max;
    std::int32_t shownPosition;
};

const ProgressCase kCases[] = {
    {"half of 1000", true, {{500, 1000}}, {"range 0 1000", "pos 500"}, {}, 1000, 500},
    {"range before position", true, {{900, 1000}, {50, 100}},
     {"range 0 1000", "pos 900", "range 0 100", "pos 50"}, {}, 100, 50},
    {"position -1 shows empty", true, {{-1, 100}}, {"pos -1"}, {}, 100, 0},
    {"position beyond max shows full", true, {{250, 200}}, {"range 0 200", "pos 250"}, {}, 200, 200},
    {"empty range", true, {{0, 0}}, {"range 0 0", "pos 0"}, {}, 0, 0},
    {"unchanged max sends no range", true, {{30, 100}, {40, 100}}, {"pos 30", "pos 40"}, {}, 100, 40},
    {"negative max changes nothing", true, {{500, 1000}, {7, -1}},
     {"range 0 1000", "pos 500"}, {kOutOfRange}, 1000, 500},
    {"negative max, then a normal event", true, {{7, -1}, {20, 50}},
     {"range 0 50", "pos 20"}, {kOutOfRange}, 50, 20},
    {"wide values in 32-bit mode", true, {{100000, 2000000}},
     {"range 0 2000000", "pos 100000"}, {}, 2000000, 100000},
    {"16-bit: largest values", false, {{65535, 65535}}, {"range 0 65535", "pos 65535"}, {}, 65535, 65535},
    {"16-bit: max above 65535", false, {{10, 70000}}, {}, {kNarrow}, 100, 0},
    {"16-bit: negative max", false, {{10, -1}}, {}, {kOutOfRange}, 100, 0},
    {"16-bit: position -1", false, {{-1, 100}}, {}, {kNarrow}, 100, 0},
    {"16-bit: position above 65535 after the range", false, {{70000, 1000}},
     {"range 0 1000"}, {kNarrow}, 1000, 0},
};

TEST(ProgressRange, ProgressChangeSequences) {
    for (const auto& testCase : kCases) {
        FakeProgressBar window;
        ProgressRange bar(window, testCase.wideRange);
        const auto errors = Apply(bar, testCase.events);
        EXPECT_EQ(window.calls, testCase.calls) << testCase.name << ": messages to the control";
        EXPECT_EQ(errors, testCase.errors) << testCase.name << ": errors";
        EXPECT_EQ(bar.Min(), 0) << testCase.name << ": Min";
        EXPECT_EQ(bar.Max(), testCase.max) << testCase.name << ": Max";
        EXPECT_EQ(bar.Position(), testCase.shownPosition) << testCase.name << ": position shown";
    }
}

TEST(ProgressRange, EventsBeforeTheWindowAreShownWhenItExists) {
    FakeProgressBar window;
    window.exists = false;
    ProgressRange bar(window, true);
    EXPECT_EQ(bar.Position(), 0) << "empty bar before any event";
    EXPECT_EQ(Apply(bar, {{400, 1000}}), std::vector<std::string>{});
    EXPECT_TRUE(window.calls.empty()) << "nothing sent without a window";
    EXPECT_EQ(bar.Max(), 1000) << "Max stored";
    EXPECT_EQ(bar.Position(), 400) << "pending position";

    window.exists = true;
    bar.WindowCreated();
    EXPECT_EQ(window.calls, (std::vector<std::string>{"range 0 1000", "pos 400"}))
        << "range, then the pending position";
    EXPECT_EQ(bar.Position(), 400) << "position shown by the new window";
}

TEST(ProgressRange, PositionSurvivesANewWindow) {
    FakeProgressBar window;
    ProgressRange bar(window, true);
    Apply(bar, {{300, 1000}});
    bar.WindowDestroying();
    window.exists = false;
    window.Recreate();
    window.calls.clear();
    EXPECT_EQ(bar.Position(), 300) << "kept while there is no window";

    window.exists = true;
    bar.WindowCreated();
    EXPECT_EQ(window.calls, (std::vector<std::string>{"range 0 1000", "pos 300"}))
        << "the new window gets range and position";
    EXPECT_EQ(bar.Position(), 300) << "position after the new window";
}

TEST(ProgressRange, MinSetter) {
    struct Step {
        std::int32_t min;
        std::vector<std::string> calls;
        std::string error;
        std::int32_t minAfter;
    };
    const Step steps[] = {
        {50, {"range 50 100"}, "", 50},
        {50, {}, "", 50},
        {101, {}, kOutOfRange, 50},
        {100, {"range 100 100"}, "", 100},
    };
    FakeProgressBar window;
    ProgressRange bar(window, true);
    for (const auto& [min, calls, error, minAfter] : steps) {
        window.calls.clear();
        std::string raised;
        try {
            bar.SetMin(min);
        } catch (const EInvalidOperation& failure) {
            raised = failure.Message();
        }
        EXPECT_EQ(window.calls, calls) << "SetMin(" << min << ") messages";
        EXPECT_EQ(raised, error) << "SetMin(" << min << ") error";
        EXPECT_EQ(bar.Min(), minAfter) << "Min after SetMin(" << min << ")";
    }
    EXPECT_THROW(bar.SetMax(99), EInvalidOperation) << "Max below Min";

    FakeProgressBar narrowWindow;
    ProgressRange narrow(narrowWindow, false);
    EXPECT_THROW(narrow.SetMin(-1), EInvalidOperation) << "16-bit Min below 0";
    EXPECT_EQ(narrow.Min(), 0) << "16-bit Min unchanged";
}

}  // namespace
