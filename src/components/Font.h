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

    const FontSpec& Spec() const { return spec_; }
    void SetSpec(const FontSpec& spec);
    int Height() const { return spec_.height; }
    void SetHeight(int height);
    Color TextColor() const { return spec_.color; }

    // Font.Charset, Font.Color, Font.Height, Font.Name, Font.Style; false
    // for any other property name.
    bool SetProperty(const FormProperty& property);

    HFONT Handle() const;

private:
    FontSpec spec_;
    mutable GdiObject handle_;
};

COLORREF ColorToRgb(Color color);
