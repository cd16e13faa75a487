// libFuzzer target for the two readers of outside text: the first byte picks
// the interval parser, held to the shared number model, or the form reader,
// which must parse or raise its own EReadError and nothing else. A finding
// aborts, so that libFuzzer keeps the input.
#include "Exceptions.h"
#include "FormDefinition.h"
#include "IntParse.h"
#include "NumberModel.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

void Number(std::string_view text) {
    const std::optional<std::int32_t> expected = ModelStrToInt(text);
    if (TryStrToInt(text) != expected) Finding("TryStrToInt differs from the model");
    try {
        if (StrToInt(text) != expected) Finding("StrToInt differs from the model");
    } catch (const EConvertError& error) {
        if (expected || error.Message() != NotAnIntegerMessage(text)) Finding("StrToInt's error");
    }
}

// Converts each value the way the window's properties ask for them.
struct Reader : FormReader {
    void SetFormProperty(const FormProperty& property) override { Convert(property.value); }
    void CreateComponent(const FormComponent&) override {}
    void SetComponentProperty(const FormComponent&, const FormProperty& property) override {
        Convert(property.value);
    }
    static void Convert(const FormValue& value) {
        switch (value.kind) {
        case FormValue::Kind::Integer: value.AsInteger(); break;
        case FormValue::Kind::Identifier: value.AsBoolean(); break;
        default: value.AsString(); break;
        }
    }
};

void Form(std::string_view text) {
    try {
        Reader reader;
        ReadFormDefinition(ParseFormDefinition(text), reader);
    } catch (const EReadError&) {
    } catch (...) {
        Finding("an error other than EReadError left the form reader");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    (data[0] & 1) ? Form(text) : Number(text);
    return 0;
}
