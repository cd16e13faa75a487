#include "Font.h"

#include "Screen.h"
#include "WideText.h"

#include <cstring>
#include <vector>

namespace {

int CharsetFromName(const std::string& name) {
    struct Charset {
        const char* name;
        int value;
    };
    static constexpr Charset kCharsets[] = {
        {"ANSI_CHARSET", ANSI_CHARSET},
        {"DEFAULT_CHARSET", DEFAULT_CHARSET},
        {"SYMBOL_CHARSET", SYMBOL_CHARSET},
        {"RUSSIAN_CHARSET", RUSSIAN_CHARSET},
        {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET},
        {"OEM_CHARSET", OEM_CHARSET},
    };
    for (const Charset& charset : kCharsets)
        if (name == charset.name) return charset.value;
    InvalidPropertyValue();
}

// The platform's user-interface face, which the font mapper resolves.
const char kDialogFace[] = "MS Shell Dlg";

LOGFONTW LogFont(const FontAttributes& attributes, BYTE charset) {
    LOGFONTW font{};
    font.lfHeight = attributes.height;
    font.lfWeight = attributes.bold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = attributes.italic;
    font.lfUnderline = attributes.underline;
    font.lfStrikeOut = attributes.strikeOut;
    font.lfCharSet = charset;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH;
    const std::wstring face = Widen(attributes.name);
    wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    return font;
}

// Control characters (a tab that DrawText expands) need no glyph.
bool HasEveryGlyph(HFONT font, const std::wstring& text) {
    std::wstring shown;
    for (wchar_t c : text)
        if (c >= L' ') shown += c;
    if (shown.empty()) return true;
    std::vector<WORD> glyphs(shown.size());
    ScreenDC dc;
    SelectedObject selected(dc.Get(), font);
    if (GetGlyphIndicesW(dc.Get(), shown.c_str(), static_cast<int>(shown.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return true;  // cannot tell: the face stays
    for (WORD glyph : glyphs)
        if (glyph == 0xFFFF) return false;
    return true;
}

// The character sets whose code page holds every character of text.
std::vector<BYTE> CharsetsOf(const std::wstring& text) {
    struct Script {
        BYTE charset;
        UINT codePage;
    };
    static constexpr Script kScripts[] = {
        {RUSSIAN_CHARSET, 1251},    {EASTEUROPE_CHARSET, 1250}, {GREEK_CHARSET, 1253},  {TURKISH_CHARSET, 1254},
        {HEBREW_CHARSET, 1255},     {ARABIC_CHARSET, 1256},     {BALTIC_CHARSET, 1257}, {VIETNAMESE_CHARSET, 1258},
        {THAI_CHARSET, 874},        {SHIFTJIS_CHARSET, 932},    {GB2312_CHARSET, 936},  {HANGEUL_CHARSET, 949},
        {CHINESEBIG5_CHARSET, 950}, {ANSI_CHARSET, 1252},
    };
    std::vector<BYTE> charsets;
    for (const Script& script : kScripts) {
        BOOL lost = FALSE;
        if (WideCharToMultiByte(script.codePage, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                                nullptr, 0, nullptr, &lost) > 0 &&
            !lost)
            charsets.push_back(script.charset);
    }
    return charsets;
}

}  // namespace

TFont::TFont() : attributes_(DefaultWindowFont(ScreenPixelsPerInch())) {}

void TFont::SetAttributes(const FontAttributes& attributes) {
    if (attributes == attributes_) return;
    attributes_ = attributes;
    handle_.Reset();
    checkedText_.clear();
    fallback_.Reset();
}

void TFont::SetHeight(int height) {
    FontAttributes attributes = attributes_;
    attributes.height = height;
    SetAttributes(attributes);
}

bool TFont::SetProperty(const FormProperty& property) {
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

HFONT TFont::Handle() const {
    if (handle_.Get() == nullptr) {
        const LOGFONTW font = LogFont(attributes_, static_cast<BYTE>(attributes_.charset));
        handle_.Reset(CreateFontIndirectW(&font));
        if (handle_.Get() == nullptr) handle_.Reset(GetStockObject(DEFAULT_GUI_FONT));
    }
    return static_cast<HFONT>(handle_.Get());
}

// Under Wine's fonts in an English locale "MS Sans Serif" of DEFAULT_CHARSET
// is the Western bitmap face, which shows a box for every Cyrillic letter, and
// the font mapper's stand-in for it in RUSSIAN_CHARSET is a wider face that
// pushes Label3 under Edit1. So the named face is taken in the text's
// character set only where it exists there; otherwise the platform's dialog
// face is (Microsoft Sans Serif on Windows, Tahoma under Wine), whose letters
// are as wide as MS Sans Serif's. Either face is taken at the named face's cell height.
HFONT TFont::HandleFor(const std::wstring& text) const {
    if (text == checkedText_) return fallback_.Get() != nullptr ? static_cast<HFONT>(fallback_.Get()) : Handle();
    checkedText_ = text;
    fallback_.Reset();
    if (HasEveryGlyph(Handle(), text)) return Handle();
    TEXTMETRICW metrics{};
    {
        ScreenDC dc;
        SelectedObject selected(dc.Get(), Handle());
        GetTextMetricsW(dc.Get(), &metrics);
    }
    FontAttributes stand = attributes_;
    stand.height = metrics.tmHeight;
    const std::string faces[] = {attributes_.name, kDialogFace};
    for (BYTE charset : CharsetsOf(text)) {
        for (const std::string& face : faces) {
            stand.name = face;
            const LOGFONTW font = LogFont(stand, charset);
            GdiObject candidate(CreateFontIndirectW(&font));
            if (candidate.Get() == nullptr) continue;
            wchar_t chosen[LF_FACESIZE] = {};
            {
                ScreenDC dc;
                SelectedObject selected(dc.Get(), candidate.Get());
                GetTextFaceW(dc.Get(), LF_FACESIZE, chosen);
            }
            if (face == attributes_.name && Widen(face) != chosen) continue;
            if (!HasEveryGlyph(static_cast<HFONT>(candidate.Get()), text)) continue;
            fallback_.Reset(candidate.Release());
            return static_cast<HFONT>(fallback_.Get());
        }
    }
    return Handle();
}

COLORREF ColorToRgb(Color color) {
    return (color & kSystemColorFlag) != 0 ? GetSysColor(static_cast<int>(color & 0xFF)) : color;
}
