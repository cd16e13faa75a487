// Looking for a label's colour in a capture of the main window's client
// area: present inside the label's box, absent everywhere else it could show.
#pragma once

#include "Capture.h"
#include "ExpectedLayout.h"

#include <vector>

struct ColourClass {
    const char* name;
    bool (*strong)(Rgb);  // the colour itself, as the text's stems show it
    bool (*tinted)(Rgb);  // anything that leans to it, smoothed edges included
};

extern const ColourClass kBlueText;
extern const ColourClass kRedText;
extern const ColourClass kDarkText;

struct ColourFindings {
    int strongInside = 0;
    int tintedOutside = 0;
    int firstOutsideX = -1, firstOutsideY = -1;
    Box tintedBounds;  // bounding box of the tinted pixels inside, empty when none
};

// `inside` is the label's box; pixels in any of `ignored` (child windows,
// the other labels) are neither inside nor outside.
ColourFindings FindColour(const Image& client, const ColourClass& colour, const Box& inside,
                          const std::vector<Box>& ignored);
