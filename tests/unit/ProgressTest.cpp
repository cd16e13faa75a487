// ProgressBar1 under a run of ProgressChange pairs, as WebBrowser1ProgressChange
// hands them on (Max, then Position), against a fake control that clamps its
// position to its range the way the platform's progress bar does.
#include "Exceptions.h"
#include "ProgressRange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

namespace {

struct FakeBar : ProgressBarWindow {
    bool exists = false;
    int lo = 0, hi = 100, pos = 0;
    std::string sent;
    bool Exists() const override { return exists; }
    void SendRange(std::int32_t min, std::int32_t max) override {
        lo = min, hi = max, pos = std::clamp(pos, lo, hi);
        sent += "range " + std::to_string(min) + " " + std::to_string(max) + " ";
    }
    void SendPosition(std::int32_t position) override {
        pos = std::clamp(position, lo, std::max(lo, hi));
        sent += "pos " + std::to_string(position) + " ";
    }
    std::int32_t ReadPosition() override { return pos; }
};

// Row marker: the bar's window is made now (again: a fresh control at its defaults).
constexpr int kCreate = INT32_MIN;

struct Row {
    int progress, max;
    std::string_view sent;
    int shownMax, shownPos;  // what the control shows afterwards
    std::string_view error = "";
};

const Row kWide[] = {
    {500, 1000, "", 1000, 0},  // no window yet: stored, nothing lost
    {0, kCreate, "range 0 1000 pos 500 ", 1000, 500},
    {900, 1000, "pos 900 ", 1000, 900},  // an unchanged Max sends no range
    {50, 100, "range 0 100 pos 50 ", 100, 50},
    {-1, 10, "range 0 10 pos -1 ", 10, 0}, {20, 10, "pos 20 ", 10, 10},
    {5, -1, "", 10, 10, "TProgressBar property out of range"},
    {0, 0, "range 0 0 pos 0 ", 0, 0}, {70, 80, "range 0 80 pos 70 ", 80, 70},
    {0, kCreate, "range 0 80 pos 70 ", 80, 70},  // the position read back before the window went
    {INT32_MAX, INT32_MAX, "range 0 2147483647 pos 2147483647 ", INT32_MAX, INT32_MAX},
};

const Row kNarrow[] = {
    {0, kCreate, "range 0 100 pos 0 ", 100, 0},
    {70000, 65535, "range 0 65535 ", 65535, 0, "Value must be between 0 and 65535"},
    {10, 65536, "", 65535, 0, "Value must be between 0 and 65535"},
    {-1, 100, "range 0 100 ", 100, 0, "Value must be between 0 and 65535"},
    {65535, 65535, "range 0 65535 pos 65535 ", 65535, 65535},
};

TEST(Progress, ChangePairsAndBarStates) {
    struct Mode { std::string_view name; bool wide; std::span<const Row> rows; };
    for (const Mode& mode : {Mode{"32-bit", true, kWide}, Mode{"16-bit", false, kNarrow}}) {
        FakeBar bar;
        ProgressRange range(bar, mode.wide);
        for (std::size_t i = 0; i < mode.rows.size(); ++i) {
            const Row& row = mode.rows[i];
            const std::string name = std::string(mode.name) + " row " + std::to_string(i);
            bar.sent.clear();
            std::string error;
            try {
                if (row.max != kCreate) {
                    range.SetMax(row.max);
                    range.SetPosition(row.progress);
                } else {
                    if (bar.exists) range.WindowDestroying();
                    bar = FakeBar();
                    bar.exists = true;
                    range.WindowCreated();
                }
            } catch (const EInvalidOperation& failure) {
                error = failure.Message();
            }
            EXPECT_EQ(error, row.error) << name;
            EXPECT_EQ(bar.sent, row.sent) << name;
            EXPECT_EQ(range.Max(), row.shownMax) << name;
            EXPECT_EQ(bar.pos, row.shownPos) << name;
        }
    }
}

}  // namespace
