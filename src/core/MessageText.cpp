// Texts of the error display and of the two last-resort error boxes.
#include "MessageText.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr unsigned char kFullStop = 0x2E;
// The fallback box takes 1024 characters including the terminating zero.
constexpr std::size_t kFallbackTextLimit = 1023;

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
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
    if (!result.empty() && static_cast<unsigned char>(result.back()) > kFullStop) {
        result.push_back('.');
    }
    return result;
}

std::string FallbackErrorText(std::string_view className, std::string_view moduleName,
                              std::uint32_t relativeAddress, std::string_view message) {
    std::string text = "Exception ";
    text.append(className);
    text.append(" in module ");
    text.append(moduleName);
    text.append(FormatText(" at %08X.\r\n", static_cast<unsigned>(relativeAddress)));
    text.append(message);
    if (!message.empty() && message.back() != '.') {
        text.push_back('.');
    }
    text.append("\r\n");
    if (text.size() > kFallbackTextLimit) {
        std::size_t cut = kFallbackTextLimit;
        while (cut > 0 && IsUtf8Continuation(text[cut])) --cut;
        text.resize(cut);
    }
    return text;
}

std::string RuntimeErrorText(int errorNumber, std::uint32_t address) {
    return FormatText("Runtime error %3d at %08X", errorNumber, static_cast<unsigned>(address));
}

std::string TrimOleMessage(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsOleTrimmed(text[end - 1])) --end;
    return std::string(text.substr(0, end));
}

std::string OleErrorMessage(std::string_view description, std::string_view systemText,
                            std::int32_t errorCode) {
    if (std::string trimmed = TrimOleMessage(description); !trimmed.empty()) {
        return trimmed;
    }
    if (std::string trimmed = TrimOleMessage(systemText); !trimmed.empty()) {
        return trimmed;
    }
    return FormatText("OLE error %08X", static_cast<unsigned>(errorCode));
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(args);
    return text;
}
