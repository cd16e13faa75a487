// Printing puts every value on one line, bytes included, and escapes only
// what the string syntax requires; a tab inside a string stays as it is,
// since the reader takes tabs inside quotes literally.
#include "FormPrinter.h"

#include <cstdio>

namespace {

void PrintValue(const FormValue& value, std::string& out) {
    switch (value.kind) {
    case FormValue::Kind::Integer:
        out += std::to_string(value.integer);
        break;
    case FormValue::Kind::Identifier:
        out += value.text;
        break;
    case FormValue::Kind::String:
        out += '"';
        for (const char c : value.text) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += c;
            } else if (c == '\n') {
                out += "\\n";
            } else {
                out += c;
            }
        }
        out += '"';
        break;
    case FormValue::Kind::Set:
        out += '[';
        for (std::size_t i = 0; i < value.set.size(); ++i) {
            if (i > 0) out += ", ";
            out += value.set[i];
        }
        out += ']';
        break;
    case FormValue::Kind::Bytes:
        out += '<';
        for (const std::uint8_t byte : value.bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", byte);
            out += hex;
        }
        out += '>';
        break;
    }
}

void PrintProperties(const std::vector<FormProperty>& properties, std::string& out) {
    for (const FormProperty& property : properties) {
        out += property.name;
        out += ' ';
        PrintValue(property.value, out);
        out += '\n';
    }
}

bool SameValue(const FormValue& left, const FormValue& right) {
    if (left.kind != right.kind) return false;
    switch (left.kind) {
    case FormValue::Kind::Integer: return left.integer == right.integer;
    case FormValue::Kind::Identifier:
    case FormValue::Kind::String: return left.text == right.text;
    case FormValue::Kind::Set: return left.set == right.set;
    case FormValue::Kind::Bytes: return left.bytes == right.bytes;
    }
    return false;
}

std::string PropertiesDifference(const std::string& owner, const std::vector<FormProperty>& left,
                                 const std::vector<FormProperty>& right) {
    if (left.size() != right.size()) {
        return owner + ": " + std::to_string(left.size()) + " properties against " +
               std::to_string(right.size());
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (left[i].name != right[i].name) {
            return owner + " property " + std::to_string(i) + ": " + left[i].name + " against " +
                   right[i].name;
        }
        if (!SameValue(left[i].value, right[i].value)) {
            std::string shown = owner + "." + left[i].name + ": ";
            PrintValue(left[i].value, shown);
            shown += " against ";
            PrintValue(right[i].value, shown);
            return shown;
        }
    }
    return {};
}

}  // namespace

std::string PrintFormDefinition(const FormDefinition& definition) {
    std::string out = "form " + definition.name + ": " + definition.className + '\n';
    PrintProperties(definition.properties, out);
    for (const FormComponent& component : definition.components) {
        out += "component " + component.name + ": " + component.className + '\n';
        PrintProperties(component.properties, out);
    }
    return out;
}

std::string FirstDifference(const FormDefinition& left, const FormDefinition& right) {
    if (left.name != right.name || left.className != right.className) {
        return "form " + left.name + ": " + left.className + " against " + right.name + ": " +
               right.className;
    }
    if (std::string found = PropertiesDifference(left.name, left.properties, right.properties);
        !found.empty()) {
        return found;
    }
    if (left.components.size() != right.components.size()) {
        return std::to_string(left.components.size()) + " components against " +
               std::to_string(right.components.size());
    }
    for (std::size_t i = 0; i < left.components.size(); ++i) {
        const FormComponent& a = left.components[i];
        const FormComponent& b = right.components[i];
        if (a.name != b.name || a.className != b.className) {
            return "component " + a.name + ": " + a.className + " against " + b.name + ": " +
                   b.className;
        }
        if (std::string found = PropertiesDifference(a.name, a.properties, b.properties);
            !found.empty()) {
            return found;
        }
    }
    return {};
}
