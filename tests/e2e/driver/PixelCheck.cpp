// Looking for a label's colour in a capture of the main window's client
// area: present inside the label's box, absent everywhere else it could show.
#include "PixelCheck.h"

#include <algorithm>

namespace {

bool Contains(const Box& box, int x, int y) {
    return x >= box.left && x < box.left + box.width && y >= box.top && y < box.top + box.height;
}

bool StrongBlue(Rgb p) { return p.b >= 200 && p.r <= 80 && p.g <= 80; }
bool TintedBlue(Rgb p) { return p.b - std::max(p.r, p.g) >= 60; }
bool StrongRed(Rgb p) { return p.r >= 200 && p.g <= 80 && p.b <= 80; }
bool TintedRed(Rgb p) { return p.r - std::max(p.g, p.b) >= 60; }
bool StrongDark(Rgb p) { return std::max({p.r, p.g, p.b}) <= 80; }
bool TintedDark(Rgb p) { return std::max({p.r, p.g, p.b}) <= 160 && std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) <= 40; }

}  // namespace

const ColourClass kBlueText{"blue", StrongBlue, TintedBlue};
const ColourClass kRedText{"red", StrongRed, TintedRed};
const ColourClass kDarkText{"window-text", StrongDark, TintedDark};

ColourFindings FindColour(const Image& client, const ColourClass& colour, const Box& inside,
                          const std::vector<Box>& ignored) {
    ColourFindings findings;
    int minX = client.Width(), minY = client.Height(), maxX = -1, maxY = -1;
    for (int y = 0; y < client.Height(); ++y)
        for (int x = 0; x < client.Width(); ++x) {
            bool skip = std::any_of(ignored.begin(), ignored.end(), [&](const Box& box) { return Contains(box, x, y); });
            if (skip) continue;
            Rgb p = client.At(x, y);
            bool in = Contains(inside, x, y);
            if (in && colour.strong(p)) ++findings.strongInside;
            if (!colour.tinted(p)) continue;
            if (in) {
                minX = std::min(minX, x), minY = std::min(minY, y);
                maxX = std::max(maxX, x), maxY = std::max(maxY, y);
            } else if (findings.tintedOutside++ == 0) {
                findings.firstOutsideX = x;
                findings.firstOutsideY = y;
            }
        }
    if (maxX >= 0) findings.tintedBounds = {minX, minY, maxX - minX + 1, maxY - minY + 1};
    return findings;
}
