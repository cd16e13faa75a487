// The driver's verdicts: one line per check, and the count at the end.
#include "Check.h"

#include <cstdio>

bool Checker::Expect(bool ok, const std::string& what, const std::string& expected,
                     const std::string& got) {
    if (ok) {
        ++passed_;
        std::printf("ok - %s\n", what.c_str());
    } else {
        ++failed_;
        if (expected.empty() && got.empty())
            std::printf("not ok - %s\n", what.c_str());
        else
            std::printf("not ok - %s : expected %s, got %s\n", what.c_str(), expected.c_str(), got.c_str());
    }
    std::fflush(stdout);
    return ok;
}

bool Checker::Equal(long long expected, long long got, const std::string& what) {
    return Expect(expected == got, what, std::to_string(expected), std::to_string(got));
}

bool Checker::Equal(const std::string& expected, const std::string& got, const std::string& what) {
    return Expect(expected == got, what, expected, got);
}

void Checker::Fail(const std::string& what, const std::string& detail) {
    ++failed_;
    std::printf("not ok - %s : %s\n", what.c_str(), detail.c_str());
    std::fflush(stdout);
}

void Checker::Note(const std::string& text) {
    std::printf("# %s\n", text.c_str());
    std::fflush(stdout);
}

int Checker::Finish() {
    std::printf("%d passed, %d failed\n", passed_, failed_);
    std::fflush(stdout);
    return failed_ == 0 && passed_ > 0 ? 0 : 1;
}
