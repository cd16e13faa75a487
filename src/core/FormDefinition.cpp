// Reading the text form of a window's definition and walking it in the order
// its properties are to be applied.
#include "FormDefinition.h"

#include "Exceptions.h"
#include "IntParse.h"

#include <limits>
#include <set>
#include <utility>

namespace {

constexpr std::string_view kFormKeyword = "form";
constexpr std::string_view kComponentKeyword = "component";

[[noreturn]] void Fail(int line, std::string_view what) {
    std::string message = "Form definition line " + std::to_string(line) + ": ";
    message.append(what);
    throw EReadError(std::move(message));
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentifierStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentifierChar(char c) { return IsIdentifierStart(c) || IsDigit(c); }

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1Fu, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0Fu, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07u, minimum = 0x10000;
        } else {
            return false;
        }
        if (s.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Splits off a leading run of identifier characters that starts like an
// identifier; empty when there is none.
std::string_view TakeIdentifier(std::string_view& rest) {
    if (rest.empty() || !IsIdentifierStart(rest.front())) return {};
    std::size_t length = 1;
    while (length < rest.size() && IsIdentifierChar(rest[length])) ++length;
    std::string_view identifier = rest.substr(0, length);
    rest.remove_prefix(length);
    return identifier;
}

void SkipBlanks(std::string_view& rest) {
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
}

class Parser {
public:
    explicit Parser(std::string_view text) {
        std::size_t start = 0;
        while (true) {
            const std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) {
                lines_.push_back(text.substr(start));
                break;
            }
            lines_.push_back(text.substr(start, end - start));
            start = end + 1;
        }
    }

    FormDefinition Parse() {
        FormDefinition definition;
        bool haveForm = false;
        std::set<std::string> componentNames;
        std::set<std::string> propertyNames;
        std::vector<FormProperty>* target = nullptr;

        while (next_ < lines_.size()) {
            std::string_view content = TrimBlanks(TakeLine());
            if (content.empty() || content.front() == '#') continue;

            std::string_view rest = content;
            const std::string_view word = TakeIdentifier(rest);
            if (word.empty()) Fail(lineNumber_, "expected a property name");
            const bool isHeader =
                (word == kFormKeyword || word == kComponentKeyword) && !rest.empty() && IsBlank(rest.front());
            if (isHeader) {
                auto [name, className] = ParseHeader(rest);
                if (word == kFormKeyword) {
                    if (haveForm) Fail(lineNumber_, "a second form line");
                    haveForm = true;
                    definition.name = std::move(name);
                    definition.className = std::move(className);
                    componentNames.insert(definition.name);
                    target = &definition.properties;
                } else {
                    if (!haveForm) Fail(lineNumber_, "component before the form line");
                    if (!componentNames.insert(name).second) { Fail(lineNumber_, "duplicate component name " + name); }
                    definition.components.push_back({std::move(name), std::move(className), {}});
                    target = &definition.components.back().properties;
                }
                propertyNames.clear();
                continue;
            }

            if (!haveForm) Fail(lineNumber_, "property before the form line");
            FormProperty property;
            property.line = lineNumber_;
            property.name = ParseDottedName(word, rest);
            if (rest.empty() || !IsBlank(rest.front())) {
                Fail(lineNumber_, "expected a blank and a value after " + property.name);
            }
            SkipBlanks(rest);
            property.value = ParseValue(rest);
            if (!TrimBlanks(rest).empty()) Fail(lineNumber_, "unexpected text after the value");
            if (!propertyNames.insert(property.name).second) {
                Fail(property.line, "duplicate property " + property.name);
            }
            target->push_back(std::move(property));
        }
        if (!haveForm) Fail(lineNumber_, "no form line");
        return definition;
    }

private:
    // Returns the next line, checked, without its line end.
    std::string_view TakeLine() {
        std::string_view line = lines_[next_++];
        lineNumber_ = static_cast<int>(next_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        for (const char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte < 0x20 && c != '\t') || byte == 0x7F) Fail(lineNumber_, "control character");
        }
        if (!IsValidUtf8(line)) Fail(lineNumber_, "invalid UTF-8");
        return line;
    }

    std::pair<std::string, std::string> ParseHeader(std::string_view rest) {
        SkipBlanks(rest);
        const std::string_view name = TakeIdentifier(rest);
        if (name.empty()) Fail(lineNumber_, "expected a component name");
        SkipBlanks(rest);
        if (rest.empty() || rest.front() != ':') Fail(lineNumber_, "expected \":\" after the name");
        rest.remove_prefix(1);
        SkipBlanks(rest);
        const std::string_view className = TakeIdentifier(rest);
        if (className.empty()) Fail(lineNumber_, "expected a class name");
        if (!TrimBlanks(rest).empty()) Fail(lineNumber_, "unexpected text after the class name");
        return {std::string(name), std::string(className)};
    }

    std::string ParseDottedName(std::string_view first, std::string_view& rest) {
        std::string name(first);
        while (!rest.empty() && rest.front() == '.') {
            rest.remove_prefix(1);
            const std::string_view part = TakeIdentifier(rest);
            if (part.empty()) Fail(lineNumber_, "malformed property name");
            name.push_back('.');
            name.append(part);
        }
        return name;
    }

    FormValue ParseValue(std::string_view& rest) {
        if (rest.empty()) Fail(lineNumber_, "missing value");
        const char c = rest.front();
        if (c == '"') return ParseString(rest);
        if (c == '[') return ParseSet(rest);
        if (c == '<') return ParseBytes(rest);
        if (c == '-' || c == '+' || IsDigit(c)) return ParseInteger(rest);
        if (IsIdentifierStart(c)) {
            FormValue value;
            value.kind = FormValue::Kind::Identifier;
            value.text = TakeIdentifier(rest);
            return value;
        }
        Fail(lineNumber_, "unknown kind of value");
    }

    FormValue ParseInteger(std::string_view& rest) {
        bool negative = false;
        if (rest.front() == '-' || rest.front() == '+') {
            negative = rest.front() == '-';
            rest.remove_prefix(1);
        }
        if (rest.empty() || !IsDigit(rest.front())) Fail(lineNumber_, "malformed number");
        // Accumulated as a negative number so that the int64 minimum fits.
        std::int64_t value = 0;
        constexpr std::int64_t kLowest = std::numeric_limits<std::int64_t>::min();
        while (!rest.empty() && IsDigit(rest.front())) {
            const int digit = rest.front() - '0';
            if (value < (kLowest + digit) / 10) Fail(lineNumber_, "number out of range");
            value = value * 10 - digit;
            rest.remove_prefix(1);
        }
        if (!negative) {
            if (value == kLowest) Fail(lineNumber_, "number out of range");
            value = -value;
        }
        FormValue result;
        result.kind = FormValue::Kind::Integer;
        result.integer = value;
        return result;
    }

    FormValue ParseString(std::string_view& rest) {
        rest.remove_prefix(1);
        FormValue value;
        value.kind = FormValue::Kind::String;
        while (true) {
            if (rest.empty()) Fail(lineNumber_, "unterminated string");
            const char c = rest.front();
            rest.remove_prefix(1);
            if (c == '"') return value;
            if (c != '\\') {
                value.text.push_back(c);
                continue;
            }
            if (rest.empty()) Fail(lineNumber_, "unterminated string");
            const char escaped = rest.front();
            rest.remove_prefix(1);
            if (escaped == '"' || escaped == '\\') {
                value.text.push_back(escaped);
            } else if (escaped == 'n') {
                value.text.push_back('\n');
            } else {
                Fail(lineNumber_, "unknown escape in string");
            }
        }
    }

    FormValue ParseSet(std::string_view& rest) {
        rest.remove_prefix(1);
        FormValue value;
        value.kind = FormValue::Kind::Set;
        SkipBlanks(rest);
        if (!rest.empty() && rest.front() == ']') {
            rest.remove_prefix(1);
            return value;
        }
        while (true) {
            const std::string_view element = TakeIdentifier(rest);
            if (element.empty()) Fail(lineNumber_, "malformed set");
            value.set.emplace_back(element);
            SkipBlanks(rest);
            if (rest.empty()) Fail(lineNumber_, "unterminated set");
            const char c = rest.front();
            rest.remove_prefix(1);
            if (c == ']') return value;
            if (c != ',') Fail(lineNumber_, "malformed set");
            SkipBlanks(rest);
        }
    }

    // Bytes are the only value that may span lines; afterwards rest holds what
    // follows ">" on the line that closes them.
    FormValue ParseBytes(std::string_view& rest) {
        const int startLine = lineNumber_;
        rest.remove_prefix(1);
        FormValue value;
        value.kind = FormValue::Kind::Bytes;
        while (true) {
            SkipBlanks(rest);
            if (rest.empty()) {
                if (next_ >= lines_.size()) Fail(startLine, "unterminated byte value");
                rest = TakeLine();
                continue;
            }
            if (rest.front() == '>') {
                rest.remove_prefix(1);
                return value;
            }
            if (HexDigitValue(rest.front()) < 0) Fail(lineNumber_, "invalid character in byte value");
            std::size_t length = 0;
            while (length < rest.size() && HexDigitValue(rest[length]) >= 0) ++length;
            if (length % 2 != 0) Fail(lineNumber_, "odd number of hexadecimal digits");
            for (std::size_t k = 0; k < length; k += 2) {
                value.bytes.push_back(
                    static_cast<std::uint8_t>(HexDigitValue(rest[k]) * 16 + HexDigitValue(rest[k + 1])));
            }
            rest.remove_prefix(length);
        }
    }

    std::vector<std::string_view> lines_;
    std::size_t next_ = 0;
    int lineNumber_ = 1;
};

}  // namespace

std::int32_t FormValue::AsInteger() const {
    if (kind != Kind::Integer || integer < std::numeric_limits<std::int32_t>::min() ||
        integer > std::numeric_limits<std::int32_t>::max()) {
        InvalidPropertyValue();
    }
    return static_cast<std::int32_t>(integer);
}

const std::string& FormValue::AsString() const {
    if (kind != Kind::String) InvalidPropertyValue();
    return text;
}

const std::string& FormValue::AsIdentifier() const {
    if (kind != Kind::Identifier) InvalidPropertyValue();
    return text;
}

bool FormValue::AsBoolean() const {
    if (kind == Kind::Identifier && text == "True") return true;
    if (kind == Kind::Identifier && text == "False") return false;
    InvalidPropertyValue();
}

const std::vector<std::string>& FormValue::AsSet() const {
    if (kind != Kind::Set) InvalidPropertyValue();
    return set;
}

const std::vector<std::uint8_t>& FormValue::AsBytes() const {
    if (kind != Kind::Bytes) InvalidPropertyValue();
    return bytes;
}

void InvalidPropertyValue() { throw EReadError("Invalid property value"); }

FormDefinition ParseFormDefinition(std::string_view text) { return Parser(text).Parse(); }

namespace {

[[noreturn]] void RaiseReadError(const std::string& owner, const FormProperty& property, const Exception& failure) {
    throw EReadError("Error reading " + owner + "." + property.name + ": " + failure.Message());
}

}  // namespace

void ReadFormDefinition(const FormDefinition& definition, FormReader& reader) {
    for (const FormProperty& property : definition.properties) {
        try {
            reader.SetFormProperty(property);
        } catch (const Exception& failure) { RaiseReadError(definition.name, property, failure); }
    }
    for (const FormComponent& component : definition.components) {
        reader.CreateComponent(component);
        for (const FormProperty& property : component.properties) {
            try {
                reader.SetComponentProperty(component, property);
            } catch (const Exception& failure) { RaiseReadError(component.name, property, failure); }
        }
    }
}
