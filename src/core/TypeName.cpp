// Readable names of C++ types.
#include "TypeName.h"

namespace {

constexpr std::string_view kStdPrefix = "St";
constexpr std::string_view kAnonymousNamespace = "_GLOBAL__N_1";
// Longer than any identifier a type name can hold; stops the length from
// overflowing on hostile input.
constexpr std::size_t kMaxIdentifier = 4096;

class NameReader {
public:
    explicit NameReader(std::string_view mangled) : rest_(mangled) {}

    bool Read(std::string& out) {
        if (Take('N')) {
            if (TakePrefix(kStdPrefix)) out = "std";
            while (!Take('E')) {
                if (!out.empty()) out += "::";
                if (!ReadIdentifier(out)) return false;
            }
            if (out.empty()) return false;
        } else {
            if (TakePrefix(kStdPrefix)) out = "std::";
            if (!ReadIdentifier(out)) return false;
        }
        return rest_.empty();
    }

private:
    bool Take(char c) {
        if (rest_.empty() || rest_.front() != c) return false;
        rest_.remove_prefix(1);
        return true;
    }

    bool TakePrefix(std::string_view prefix) {
        if (!rest_.starts_with(prefix)) return false;
        rest_.remove_prefix(prefix.size());
        return true;
    }

    // <length><identifier>, the length in decimal without leading zeros.
    bool ReadIdentifier(std::string& out) {
        std::size_t length = 0;
        std::size_t digits = 0;
        while (digits < rest_.size() && rest_[digits] >= '0' && rest_[digits] <= '9') {
            if (digits == 0 && rest_[digits] == '0') return false;
            length = length * 10 + static_cast<std::size_t>(rest_[digits] - '0');
            if (length > kMaxIdentifier) return false;
            ++digits;
        }
        if (digits == 0 || rest_.size() - digits < length) return false;
        const std::string_view identifier = rest_.substr(digits, length);
        out += identifier == kAnonymousNamespace ? std::string_view("(anonymous namespace)") : identifier;
        rest_.remove_prefix(digits + length);
        return true;
    }

    std::string_view rest_;
};

}  // namespace

std::string ReadableTypeName(std::string_view mangled) {
    std::string readable;
    if (NameReader(mangled).Read(readable)) return readable;
    return std::string(mangled);
}
