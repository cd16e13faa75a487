// Elapsed time in milliseconds from the performance counter, and the median
// that every figure of the benchmark reports.
#include "BenchClock.h"

#include <algorithm>

namespace {

double CounterFrequency() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return double(frequency.QuadPart);
}

}  // namespace

Stopwatch::Stopwatch() { Restart(); }

void Stopwatch::Restart() { QueryPerformanceCounter(&start_); }

double Stopwatch::ElapsedMs() const {
    static const double frequency = CounterFrequency();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - start_.QuadPart) * 1000.0 / frequency;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}
