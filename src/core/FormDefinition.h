// The declarative description of a window that the executable carries as a
// resource: the window's properties, then each component in creation order
// with its properties, all in the order they are to be applied.
//
// Text format, one item a line (UTF-8; "#" starts a comment line):
//   form Form1: TForm1
//   Left 432
//   Caption "Open Positions"          strings in double quotes, \" \\ \n escapes
//   Font.Style [fsBold, fsUnderline]  sets
//   OnCreate FormCreate               identifiers (also True, False, clWindow)
//   ControlData <4C 00 00 00 ...>     bytes in hexadecimal, may span lines
//   component Label1: TLabel          starts the next component
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct FormValue {
    enum class Kind { Integer, String, Identifier, Set, Bytes };
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    std::string text;  // String and Identifier
    std::vector<std::string> set;
    std::vector<std::uint8_t> bytes;

    // Each raises EReadError "Invalid property value" when the kind differs.
    std::int32_t AsInteger() const;
    const std::string& AsString() const;
    const std::string& AsIdentifier() const;
    bool AsBoolean() const;  // the identifiers True and False
    const std::vector<std::string>& AsSet() const;
    const std::vector<std::uint8_t>& AsBytes() const;
};

// Raises EReadError "Invalid property value", for a value that the property
// does not take.
[[noreturn]] void InvalidPropertyValue();

struct FormProperty {
    std::string name;  // may be dotted: "Font.Height"
    FormValue value;
    int line = 0;
};

struct FormComponent {
    std::string name;
    std::string className;
    std::vector<FormProperty> properties;
};

struct FormDefinition {
    std::string name;
    std::string className;
    std::vector<FormProperty> properties;
    std::vector<FormComponent> components;
};

// Raises EReadError with the line number on malformed input.
FormDefinition ParseFormDefinition(std::string_view text);

// Receives a definition in application order. Implemented by the window that
// builds itself from the definition.
class FormReader {
public:
    virtual ~FormReader() = default;
    virtual void SetFormProperty(const FormProperty& property) = 0;
    virtual void CreateComponent(const FormComponent& component) = 0;
    virtual void SetComponentProperty(const FormComponent& component, const FormProperty& property) = 0;
};

// Walks the definition: window properties, then each component created and
// its properties applied. A failure while applying a property is raised again
// as EReadError "Error reading <component>.<property>: <message>" (the
// window's own properties are named after the window).
void ReadFormDefinition(const FormDefinition& definition, FormReader& reader);
