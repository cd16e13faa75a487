// libFuzzer target for the form-definition reader: any text either parses or
// raises EReadError; a parsed definition is walked by a reader that converts
// values the way a window would, and printed back and parsed again to the same
// content. Anything else aborts, so that libFuzzer keeps the input.
#include "Exceptions.h"
#include "FormDefinition.h"
#include "FormPrinter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace {

enum class Conversion { None, Integer, String, Identifier, Boolean };

// Roughly what the main window asks of the properties it knows; a name not
// listed is taken without looking at its value, as a design-time property.
Conversion ConversionFor(std::string_view name) {
    static const std::map<std::string_view, Conversion> kKnown = {
        {"Left", Conversion::Integer},         {"Top", Conversion::Integer},
        {"Width", Conversion::Integer},        {"Height", Conversion::Integer},
        {"TabOrder", Conversion::Integer},     {"Interval", Conversion::Integer},
        {"PixelsPerInch", Conversion::Integer}, {"TextHeight", Conversion::Integer},
        {"Font.Height", Conversion::Integer},  {"Caption", Conversion::String},
        {"Text", Conversion::String},          {"Font.Name", Conversion::String},
        {"Color", Conversion::Identifier},     {"Font.Color", Conversion::Identifier},
        {"Font.Charset", Conversion::Identifier}, {"Cursor", Conversion::Identifier},
        {"Align", Conversion::Identifier},     {"ParentFont", Conversion::Boolean},
        {"OldCreateOrder", Conversion::Boolean},
    };
    if (const auto found = kKnown.find(name); found != kKnown.end()) return found->second;
    if (name.starts_with("On")) return Conversion::Identifier;
    return Conversion::None;
}

// What the conversion is expected to accept, stated from the value alone.
bool Converts(const FormValue& value, Conversion conversion) {
    switch (conversion) {
    case Conversion::None: return true;
    case Conversion::Integer:
        return value.kind == FormValue::Kind::Integer &&
               value.integer >= std::numeric_limits<std::int32_t>::min() &&
               value.integer <= std::numeric_limits<std::int32_t>::max();
    case Conversion::String: return value.kind == FormValue::Kind::String;
    case Conversion::Identifier: return value.kind == FormValue::Kind::Identifier;
    case Conversion::Boolean:
        return value.kind == FormValue::Kind::Identifier &&
               (value.text == "True" || value.text == "False");
    }
    return false;
}

void Convert(const FormProperty& property) {
    switch (ConversionFor(property.name)) {
    case Conversion::None: break;
    case Conversion::Integer: static_cast<void>(property.value.AsInteger()); break;
    case Conversion::String: static_cast<void>(property.value.AsString()); break;
    case Conversion::Identifier: static_cast<void>(property.value.AsIdentifier()); break;
    case Conversion::Boolean: static_cast<void>(property.value.AsBoolean()); break;
    }
}

class RecordingReader : public FormReader {
public:
    void SetFormProperty(const FormProperty& property) override {
        calls_.push_back("form " + property.name);
        Convert(property);
    }
    void CreateComponent(const FormComponent& component) override {
        calls_.push_back("create " + component.name + ": " + component.className);
    }
    void SetComponentProperty(const FormComponent& component, const FormProperty& property) override {
        calls_.push_back(component.name + " " + property.name);
        Convert(property);
    }
    const std::vector<std::string>& Calls() const { return calls_; }

private:
    std::vector<std::string> calls_;
};

struct Walk {
    std::vector<std::string> calls;
    std::string error;  // empty when the walk completes
};

// The walk ReadFormDefinition should make: every property in order, each
// component created before its own, stopping at the first refused value.
Walk ExpectedWalk(const FormDefinition& definition) {
    Walk walk;
    const auto visit = [&walk](const std::string& owner, const std::string& call,
                               const FormProperty& property) {
        walk.calls.push_back(call);
        if (Converts(property.value, ConversionFor(property.name))) return true;
        walk.error = "Error reading " + owner + "." + property.name + ": Invalid property value";
        return false;
    };
    for (const FormProperty& property : definition.properties) {
        if (!visit(definition.name, "form " + property.name, property)) return walk;
    }
    for (const FormComponent& component : definition.components) {
        walk.calls.push_back("create " + component.name + ": " + component.className);
        for (const FormProperty& property : component.properties) {
            if (!visit(component.name, component.name + " " + property.name, property)) return walk;
        }
    }
    return walk;
}

[[noreturn]] void Fault(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

int LineCount(std::string_view text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

void CheckParseError(const EReadError& failure, std::string_view text) {
    constexpr std::string_view kPrefix = "Form definition line ";
    const std::string_view message = failure.Message();
    int line = 0;
    const char* digitsEnd = message.data();
    if (message.starts_with(kPrefix)) {
        digitsEnd = std::from_chars(message.data() + kPrefix.size(),
                                    message.data() + message.size(), line).ptr;
    }
    const std::string_view after = message.substr(static_cast<std::size_t>(digitsEnd - message.data()));
    if (line < 1 || line > LineCount(text) || !after.starts_with(": ")) {
        Fault("parse error names no line of the input: " + std::string(message));
    }
}

void CheckLines(const FormDefinition& definition, std::string_view text) {
    int previous = 0;
    const auto check = [&](const FormProperty& property) {
        if (property.line <= previous || property.line > LineCount(text)) {
            Fault("property " + property.name + " at line " + std::to_string(property.line) +
                  " after line " + std::to_string(previous));
        }
        previous = property.line;
    };
    std::for_each(definition.properties.begin(), definition.properties.end(), check);
    for (const FormComponent& component : definition.components) {
        std::for_each(component.properties.begin(), component.properties.end(), check);
    }
}

void CheckWalk(const FormDefinition& definition) {
    RecordingReader reader;
    std::string error;
    try {
        ReadFormDefinition(definition, reader);
    } catch (const EReadError& failure) {
        error = failure.Message();
    }
    const Walk expected = ExpectedWalk(definition);
    if (reader.Calls() != expected.calls) {
        Fault("walk made " + std::to_string(reader.Calls().size()) + " calls, expected " +
              std::to_string(expected.calls.size()));
    }
    if (error != expected.error) Fault("walk error \"" + error + "\", expected \"" + expected.error + "\"");
}

void CheckRoundTrip(const FormDefinition& definition) {
    const std::string printed = PrintFormDefinition(definition);
    FormDefinition again;
    try {
        again = ParseFormDefinition(printed);
    } catch (const EReadError& failure) {
        Fault("printed definition does not parse: " + failure.Message() + "\n" + printed);
    }
    if (const std::string difference = FirstDifference(definition, again); !difference.empty()) {
        Fault("round trip changed " + difference + "\n" + printed);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        FormDefinition definition;
        try {
            definition = ParseFormDefinition(text);
        } catch (const EReadError& failure) {
            CheckParseError(failure, text);
            return 0;
        }
        CheckLines(definition, text);
        CheckWalk(definition);
        CheckRoundTrip(definition);
    } catch (const std::exception& failure) {
        Fault(std::string("unexpected exception: ") + failure.what());
    }
    return 0;
}
