// A font as the form definition describes it, and the GDI font made from it
// on first use.
#pragma once

#include "Colors.h"
#include "FormDefinition.h"
#include "Scaling.h"
#include "WindowHandle.h"

#include <windows.h>

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

private:
    FontAttributes attributes_;
    mutable GdiObject handle_;
};

COLORREF ColorToRgb(Color color);
