// The driver's verdicts: one line per check, and the count at the end.
#pragma once

#include <string>

class Checker {
public:
    // Prints "ok - what" or "not ok - what : expected X, got Y"; returns ok.
    bool Expect(bool ok, const std::string& what, const std::string& expected = {},
                const std::string& got = {});
    bool Equal(long long expected, long long got, const std::string& what);
    bool Equal(const std::string& expected, const std::string& got, const std::string& what);
    // A failure that is not a comparison, such as a window that never came.
    void Fail(const std::string& what, const std::string& detail);
    void Note(const std::string& text);
    int Failed() const { return failed_; }
    // Prints "N passed, M failed"; the process exit code.
    int Finish();

private:
    int passed_ = 0;
    int failed_ = 0;
};
