// What the bench driver prints: one "result <key> <value>" line per figure,
// and "fail <what>" lines for machinery that did not work.
#include "BenchReport.h"

#include <cstdio>

namespace {
int failures = 0;
}

void Result(const std::string& key, double value) {
    std::printf("result %s %.3f\n", key.c_str(), value);
    std::fflush(stdout);
}

void Result(const std::string& key, const std::vector<double>& samples) {
    std::printf("samples %s", key.c_str());
    for (double sample : samples) std::printf(" %.3f", sample);
    std::printf("\n");
    std::fflush(stdout);
}

void Failure(const std::string& what) {
    ++failures;
    std::printf("fail %s\n", what.c_str());
    std::fflush(stdout);
}

int Failures() { return failures; }
