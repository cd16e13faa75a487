#include "Font.h"

#include "Exceptions.h"
#include "Screen.h"
#include "WideText.h"

#include <cstring>

namespace {

int CharsetFromName(const std::string& name)
{
    struct Charset {
        const char* name;
        int value;
    };
    static constexpr Charset kCharsets[] = {
        {"ANSI_CHARSET", ANSI_CHARSET},       {"DEFAULT_CHARSET", DEFAULT_CHARSET},
        {"SYMBOL_CHARSET", SYMBOL_CHARSET},   {"RUSSIAN_CHARSET", RUSSIAN_CHARSET},
        {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET}, {"OEM_CHARSET", OEM_CHARSET},
    };
    for (const Charset& charset : kCharsets)
        if (name == charset.name) return charset.value;
    throw EReadError("Invalid property value");
}

}  // namespace

TFont::TFont() : spec_(DefaultWindowFont(ScreenPixelsPerInch())) {}

void TFont::SetSpec(const FontSpec& spec)
{
    if (spec == spec_) return;
    spec_ = spec;
    handle_.Reset();
}

void TFont::SetHeight(int height)
{
    FontSpec spec = spec_;
    spec.height = height;
    SetSpec(spec);
}

bool TFont::SetProperty(const FormProperty& property)
{
    FontSpec spec = spec_;
    if (property.name == "Font.Charset") {
        spec.charset = CharsetFromName(property.value.AsIdentifier());
    } else if (property.name == "Font.Color") {
        const auto color = ColorFromName(property.value.AsIdentifier());
        if (!color) throw EReadError("Invalid property value");
        spec.color = *color;
    } else if (property.name == "Font.Height") {
        spec.height = property.value.AsInteger();
    } else if (property.name == "Font.Name") {
        spec.name = property.value.AsString();
    } else if (property.name == "Font.Style") {
        if (property.value.kind != FormValue::Kind::Set) throw EReadError("Invalid property value");
        spec.bold = spec.italic = spec.underline = spec.strikeOut = false;
        for (const std::string& style : property.value.set) {
            if (style == "fsBold") spec.bold = true;
            else if (style == "fsItalic") spec.italic = true;
            else if (style == "fsUnderline") spec.underline = true;
            else if (style == "fsStrikeOut") spec.strikeOut = true;
            else throw EReadError("Invalid property value");
        }
    } else {
        return false;
    }
    SetSpec(spec);
    return true;
}

HFONT TFont::Handle() const
{
    if (handle_.Get() == nullptr) {
        LOGFONTW font{};
        font.lfHeight = spec_.height;
        font.lfWeight = spec_.bold ? FW_BOLD : FW_NORMAL;
        font.lfItalic = spec_.italic;
        font.lfUnderline = spec_.underline;
        font.lfStrikeOut = spec_.strikeOut;
        font.lfCharSet = static_cast<BYTE>(spec_.charset);
        font.lfOutPrecision = OUT_DEFAULT_PRECIS;
        font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        font.lfQuality = DEFAULT_QUALITY;
        font.lfPitchAndFamily = DEFAULT_PITCH;
        const std::wstring face = Widen(spec_.name);
        wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        handle_.Reset(CreateFontIndirectW(&font));
        if (handle_.Get() == nullptr) handle_.Reset(GetStockObject(DEFAULT_GUI_FONT));
    }
    return static_cast<HFONT>(handle_.Get());
}

COLORREF ColorToRgb(Color color)
{
    return (color & kSystemColorFlag) != 0 ? GetSysColor(static_cast<int>(color & 0xFF)) : color;
}
