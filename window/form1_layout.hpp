#pragma once

#include "window/form1_controls.hpp"

#include <functional>
#include <span>
#include <vector>

// How large Form1 is laid out: its twips at the screen's DPI, and larger
// where the window's default font needs more room than at the reference size,
// so that each caption in it is whole on one line.
namespace rechner {

// What a caption in the window's default font needs of its box, measured by
// the toolkit: the text's width and height in pixels, and the room the
// toolkit keeps around the text for its frame and margins, also in pixels,
// which does not grow with the layout.
struct CaptionNeed {
    int boxWidthTwips, boxHeightTwips;
    double textWidth, textHeight;
    double frameWidth, frameHeight;
};

// The layout's scale against 96 dpi (a whole number of dots per inch over
// 96), and the size the default font is drawn at against its own.
struct LayoutScale {
    double layout = 1.0;
    double font = 1.0;
    int dpi() const;   // the dots per inch the twips are laid out at
};

// At least `least` (the screen's DPI over 96, or 1), larger as the captions
// need, at most `most` (what the screen holds, never below `least`). Where the
// screen is too small for the captions, the default font is drawn smaller,
// so that each caption still fits its box whole.
LayoutScale layoutScale(std::span<const CaptionNeed> needs, double least, double most);

// layoutScale for what `measure(f)` measures with the default font drawn at f
// times its size: where the screen is too small, the font is made smaller
// and measured anew until the captions fit (a font's width does not follow
// its size exactly), at most ten times.
LayoutScale fitLayout(const std::function<std::vector<CaptionNeed>(double font)>& measure, double least,
                      double most);

// How many times its size at 96 dpi the window may be laid out in a free
// area of `width` by `height` pixels: what a layout's `most` is.
double roomFor(double width, double height);

// A length in twips at a layout's DPI, in pixels.
int scaledPixels(int twips, int dpi);

// The controls whose caption is in the window's default font: those the
// layout grows for.
constexpr bool inDefaultFont(const ControlDescription& control)
{
    return control.font.family == nullptr && control.caption != nullptr && *control.caption != '\0';
}

} // namespace rechner
