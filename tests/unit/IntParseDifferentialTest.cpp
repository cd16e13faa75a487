// Compares the conversion with a second, deliberately plain reading of its
// rules over a million generated texts that crowd around the tricky parts:
// signs, blanks, tabs, hexadecimal prefixes and letters, and numbers near
// the 32-bit limits and near eight significant hexadecimal digits.
#include "IntParse.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <sstream>
#include <string>

namespace {

// Works on whole strings: strip, split off sign and prefix, check the
// character class of what is left, and compare decimal digit strings with
// the limits as strings instead of accumulating.
std::optional<std::int32_t> ReferenceStrToInt(std::string s) {
    const std::size_t firstNonBlank = s.find_first_not_of(' ');
    if (firstNonBlank == std::string::npos) return std::nullopt;
    s.erase(0, firstNonBlank);

    bool minus = false;
    if (s[0] == '-' || s[0] == '+') {
        minus = s[0] == '-';
        s.erase(0, 1);
    }
    bool hex = false;
    for (const std::string prefix : {"0x", "0X", "$", "x", "X"}) {
        if (s.compare(0, prefix.size(), prefix) == 0) {
            hex = true;
            s.erase(0, prefix.size());
            break;
        }
    }
    if (s.empty()) return std::nullopt;
    const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (s.find_first_not_of(allowed) != std::string::npos) return std::nullopt;

    const std::size_t firstSignificant = s.find_first_not_of('0');
    const std::string digits = firstSignificant == std::string::npos ? "" : s.substr(firstSignificant);

    if (hex) {
        if (digits.size() > 8) return std::nullopt;
        std::int64_t pattern = digits.empty() ? 0 : std::stoll(digits, nullptr, 16);
        if (pattern >= 0x80000000LL) pattern -= 0x100000000LL;
        if (minus) pattern = -pattern;
        if (pattern == 0x80000000LL) pattern = -pattern;
        return static_cast<std::int32_t>(pattern);
    }
    const std::string limit = minus ? "2147483648" : "2147483647";
    if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit)) {
        return std::nullopt;
    }
    const std::int64_t magnitude = digits.empty() ? 0 : std::stoll(digits);
    return static_cast<std::int32_t>(minus ? -magnitude : magnitude);
}

class TextGenerator {
public:
    explicit TextGenerator(std::uint64_t seed) : random_(seed) {}

    std::string Next() {
        switch (Below(4)) {
        case 0:
            return Noise();
        case 1:
            return NearDecimalLimit();
        default:
            return NearHexLimit();
        }
    }

private:
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    char Pick(const std::string& from) { return from[static_cast<std::size_t>(Below(static_cast<int>(from.size())))]; }

    std::string Noise() {
        static const std::string kTricky = "  \t+-$xX00aAfF19";
        static const std::string kOther = "0123456789abcdefABCDEFgGzZ.e,_\n\x7f\xd0";
        std::string text;
        const int length = Below(11);
        for (int i = 0; i < length; ++i) text.push_back(Below(3) == 0 ? Pick(kOther) : Pick(kTricky));
        return text;
    }

    std::string Decoration() {
        std::string front(static_cast<std::size_t>(Below(3) == 0 ? Below(3) : 0), ' ');
        if (Below(8) == 0) front.insert(front.begin() + Below(static_cast<int>(front.size()) + 1), '\t');
        switch (Below(6)) {
        case 0: front += '-'; break;
        case 1: front += '+'; break;
        case 2: if (Below(4) == 0) front += Pick("+- "); break;
        default: break;
        }
        return front;
    }

    std::string Tail() {
        return Below(10) == 0 ? std::string(1, Pick(" \t.xg0")) : std::string();
    }

    std::string NearDecimalLimit() {
        static const std::int64_t kAnchors[] = {0, 2147483647LL, 2147483648LL, 4294967295LL, 21474836470LL};
        std::int64_t value = kAnchors[Below(5)] + Below(41) - 20;
        if (value < 0) value = -value;
        std::string zeros(static_cast<std::size_t>(Below(4) == 0 ? Below(4) : 0), '0');
        return Decoration() + zeros + std::to_string(value) + Tail();
    }

    std::string NearHexLimit() {
        static const std::string kHexDigits = "0123456789abcdefABCDEF";
        static const std::string kPrefixes[] = {"$", "x", "X", "0x", "0X", "", "0"};
        std::string digits(static_cast<std::size_t>(Below(4) == 0 ? Below(5) : 0), '0');
        const int significant = 6 + Below(5);
        for (int i = 0; i < significant; ++i) {
            digits.push_back(Below(3) == 0 ? Pick("fF7809") : Pick(kHexDigits));
        }
        return Decoration() + kPrefixes[Below(7)] + digits + Tail();
    }

    std::mt19937_64 random_;
};

std::string Show(const std::optional<std::int32_t>& value) {
    return value ? std::to_string(*value) : std::string("invalid");
}

TEST(IntParseDifferential, AgreesWithReferenceOnGeneratedTexts) {
    constexpr int kTexts = 1'000'000;
    TextGenerator generator(20240607);
    int mismatches = 0;
    int valid = 0;
    std::ostringstream firstMismatches;
    for (int i = 0; i < kTexts; ++i) {
        const std::string text = generator.Next();
        const auto actual = TryStrToInt(text);
        const auto expected = ReferenceStrToInt(text);
        if (expected) ++valid;
        if (actual != expected && ++mismatches <= 10) {
            firstMismatches << "  \"" << text << "\": product " << Show(actual) << ", reference "
                            << Show(expected) << "\n";
        }
    }
    EXPECT_EQ(mismatches, 0) << mismatches << " mismatches in " << kTexts << " texts:\n"
                             << firstMismatches.str();
    // A generator that produced almost only invalid texts would prove little.
    EXPECT_GT(valid, kTexts / 5) << "valid texts among " << kTexts;
    EXPECT_LT(valid, kTexts * 4 / 5) << "valid texts among " << kTexts;
}

}  // namespace
