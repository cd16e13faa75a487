// Elapsed time in milliseconds from the performance counter, and the median
// that every figure of the benchmark reports.
#pragma once

#include <windows.h>

#include <vector>

class Stopwatch {
public:
    Stopwatch();
    void Restart();
    double ElapsedMs() const;

private:
    LARGE_INTEGER start_{};
};

double Median(std::vector<double> values);
