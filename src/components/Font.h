// A font as the form definition describes it, and the GDI font made from it
// on first use.
#pragma once

#include "Colors.h"
#include "FormDefinition.h"
#include "Scaling.h"
#include "GdiOwners.h"

#include <windows.h>

#include <string>

class TFont {
public:
    TFont();

    const FontAttributes& Attributes() const { return attributes_; }
    void SetAttributes(const FontAttributes& attributes);
    int Height() const { return attributes_.height; }
    void SetHeight(int height);
    Color TextColor() const { return attributes_.color; }

    // Font.Charset, Font.Color, Font.Height, Font.Name, Font.Style; false
    // for any other property name.
    bool SetProperty(const FormProperty& property);

    HFONT Handle() const;
    // The font to draw text with: Handle() when its face has a glyph for
    // every character, else the same face and height in the character set
    // of the text's script, which the font mapper may fill with another face.
    HFONT HandleFor(const std::wstring& text) const;

private:
    FontAttributes attributes_;
    mutable GdiObject handle_;
    mutable std::wstring checkedText_;
    mutable GdiObject fallback_;  // null while Handle() has every glyph of checkedText_
};

COLORREF ColorToRgb(Color color);
