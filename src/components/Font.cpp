#include "Font.h"

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
    InvalidPropertyValue();
}

}  // namespace

TFont::TFont() : attributes_(DefaultWindowFont(ScreenPixelsPerInch())) {}

void TFont::SetAttributes(const FontAttributes& attributes)
{
    if (attributes == attributes_) return;
    attributes_ = attributes;
    handle_.Reset();
}

void TFont::SetHeight(int height)
{
    FontAttributes attributes = attributes_;
    attributes.height = height;
    SetAttributes(attributes);
}

bool TFont::SetProperty(const FormProperty& property)
{
    FontAttributes attributes = attributes_;
    if (property.name == "Font.Charset") {
        attributes.charset = CharsetFromName(property.value.AsIdentifier());
    } else if (property.name == "Font.Color") {
        const auto color = ColorFromName(property.value.AsIdentifier());
        if (!color) InvalidPropertyValue();
        attributes.color = *color;
    } else if (property.name == "Font.Height") {
        attributes.height = property.value.AsInteger();
    } else if (property.name == "Font.Name") {
        attributes.name = property.value.AsString();
    } else if (property.name == "Font.Style") {
        const std::vector<std::string>& styles = property.value.AsSet();
        attributes.bold = attributes.italic = attributes.underline = attributes.strikeOut = false;
        for (const std::string& style : styles) {
            if (style == "fsBold") attributes.bold = true;
            else if (style == "fsItalic") attributes.italic = true;
            else if (style == "fsUnderline") attributes.underline = true;
            else if (style == "fsStrikeOut") attributes.strikeOut = true;
            else InvalidPropertyValue();
        }
    } else {
        return false;
    }
    SetAttributes(attributes);
    return true;
}

HFONT TFont::Handle() const
{
    if (handle_.Get() == nullptr) {
        LOGFONTW font{};
        font.lfHeight = attributes_.height;
        font.lfWeight = attributes_.bold ? FW_BOLD : FW_NORMAL;
        font.lfItalic = attributes_.italic;
        font.lfUnderline = attributes_.underline;
        font.lfStrikeOut = attributes_.strikeOut;
        font.lfCharSet = static_cast<BYTE>(attributes_.charset);
        font.lfOutPrecision = OUT_DEFAULT_PRECIS;
        font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        font.lfQuality = DEFAULT_QUALITY;
        font.lfPitchAndFamily = DEFAULT_PITCH;
        const std::wstring face = Widen(attributes_.name);
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
