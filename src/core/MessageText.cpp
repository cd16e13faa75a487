// Texts of the error display and of the two last-resort error boxes.
#include "MessageText.h"

namespace {

constexpr unsigned char kFullStop = 0x2E;
// The fallback box takes 1024 characters including the terminating zero.
constexpr std::size_t kFallbackTextLimit = 1023;

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Eight upper-case hexadecimal digits, as the boxes show addresses and codes.
std::string Hex8(std::uint32_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (std::size_t i = text.size(); i-- > 0; value >>= 4) text[i] = kDigits[value & 0xF];
    return text;
}

bool IsOleTrimmed(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F || byte == kFullStop;
}

}  // namespace

std::string WithFullStop(std::string_view text) {
    std::string result(text);
    // In UTF-8 every byte of a non-ASCII character is 0x80 or above, so the
    // last byte alone decides: a non-ASCII last character always gets the
    // full stop, an ASCII one when it is above ".".
    if (!result.empty() && static_cast<unsigned char>(result.back()) > kFullStop) { result.push_back('.'); }
    return result;
}

std::string FallbackErrorText(std::string_view className, std::string_view moduleName, std::uint32_t relativeAddress,
                              std::string_view message) {
    std::string text = "Exception ";
    text.append(className);
    text.append(" in module ");
    text.append(moduleName);
    text.append(" at ");
    text.append(Hex8(relativeAddress));
    text.append(".\r\n");
    text.append(message);
    if (!message.empty() && message.back() != '.') { text.push_back('.'); }
    text.append("\r\n");
    if (text.size() > kFallbackTextLimit) {
        std::size_t cut = kFallbackTextLimit;
        while (cut > 0 && IsUtf8Continuation(text[cut])) --cut;
        text.resize(cut);
    }
    return text;
}

std::string RuntimeErrorText(int errorNumber, std::uint32_t address) {
    std::string number = std::to_string(errorNumber);
    if (number.size() < 3) number.insert(0, 3 - number.size(), ' ');
    return "Runtime error " + number + " at " + Hex8(address);
}

std::string TrimOleMessage(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsOleTrimmed(text[end - 1])) --end;
    return std::string(text.substr(0, end));
}

std::string OleErrorMessage(std::string_view description, std::string_view systemText, std::int32_t errorCode) {
    if (std::string trimmed = TrimOleMessage(description); !trimmed.empty()) { return trimmed; }
    if (std::string trimmed = TrimOleMessage(systemText); !trimmed.empty()) { return trimmed; }
    return "OLE error " + Hex8(static_cast<std::uint32_t>(errorCode));
}
