// ProgressBar1 under a run of ProgressChange pairs, as WebBrowser1ProgressChange hands them on (Max, then Position),
// against a fake control that clamps its position to its range the way the platform's progress bar does.
#include "Exceptions.h"
#include "ProgressRange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

namespace {

struct FakeBar : ProgressBarWindow {
    bool exists = false;
    int lo = 0, hi = 100, pos = 0;
    bool Exists() const override { return exists; }
    void SendRange(std::int32_t min, std::int32_t max) override { lo = min, hi = max, pos = std::clamp(pos, lo, hi); }
    void SendPosition(std::int32_t position) override { pos = std::clamp(position, lo, std::max(lo, hi)); }
    std::int32_t ReadPosition() override { return pos; }
};

// Row marker: the bar's window is made now; made again, it is a fresh control at its defaults.
constexpr int kCreate = INT32_MIN;

// barMax and barPos: what the control shows afterwards.
// clang-format off
struct Row { int progress, max; int barMax, barPos; std::string_view error = ""; };
const Row kWide[] = {
    {500, 1000, 100, 0},  // no window yet: stored, nothing lost
    {0, kCreate, 1000, 500},  // the range goes first, or 500 is cut to 100
    {900, 1000, 1000, 900}, {50, 100, 100, 50}, {-1, 10, 10, 0}, {20, 10, 10, 10},
    {5, -1, 10, 10, "TProgressBar property out of range"}, {0, 0, 0, 0}, {70, 80, 80, 70},
    {0, kCreate, 80, 70},  // the position read back before the window went
    {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
};

const Row kNarrow[] = {
    {0, kCreate, 100, 0}, {70000, 65535, 65535, 0, "Value must be between 0 and 65535"},
    {10, 65536, 65535, 0, "Value must be between 0 and 65535"}, {-1, 100, 100, 0, "Value must be between 0 and 65535"},
    {65535, 65535, 65535, 65535},
};
struct Mode { std::string_view name; bool wide; std::span<const Row> rows; };
// clang-format on

TEST(Progress, ChangePairsAndBarStates) {
    for (const Mode& mode : {Mode{"32-bit", true, kWide}, Mode{"16-bit", false, kNarrow}}) {
        FakeBar bar;
        ProgressRange range(bar, mode.wide);
        for (std::size_t i = 0; i < mode.rows.size(); ++i) {
            const Row& row = mode.rows[i];
            std::string error;
            try {
                if (row.max != kCreate) range.SetMax(row.max), range.SetPosition(row.progress);
                else if (bar.exists) range.WindowDestroying();
                if (row.max == kCreate) bar = FakeBar(), bar.exists = true, range.WindowCreated();
            } catch (const EInvalidOperation& failure) { error = failure.Message(); }
            const std::string name = std::string(mode.name) + " row " + std::to_string(i);
            EXPECT_EQ(error, row.error) << name;
            EXPECT_EQ(bar.hi, row.barMax) << name;
            EXPECT_EQ(bar.pos, row.barPos) << name;
        }
    }
}

}  // namespace
