#include "window/form1_layout.hpp"

#include <algorithm>
#include <cmath>

namespace rechner {
namespace {

constexpr double kReferenceDpi = 96.0;

double pixelsAt1(int twips) { return static_cast<double>(twips) / kTwipsPerPixel; }

} // namespace

int LayoutScale::dpi() const
{
    return static_cast<int>(std::lround(layout * kReferenceDpi));
}

LayoutScale layoutScale(std::span<const CaptionNeed> needs, double least, double most)
{
    double wanted = least;
    for (const CaptionNeed& need : needs) {
        wanted = std::max({wanted, (need.textWidth + need.frameWidth) / pixelsAt1(need.boxWidthTwips),
                           (need.textHeight + need.frameHeight) / pixelsAt1(need.boxHeightTwips)});
    }
    // Whole dots per inch, rounded up: the captions keep their room.
    LayoutScale scale;
    scale.layout = std::ceil(wanted * kReferenceDpi - 1e-9) / kReferenceDpi;
    const double limit = std::max(least, std::floor(most * kReferenceDpi + 1e-9) / kReferenceDpi);
    if (scale.layout <= limit) {
        return scale;
    }
    scale.layout = limit;
    for (const CaptionNeed& need : needs) {
        const double width = pixelsAt1(need.boxWidthTwips) * limit - need.frameWidth;
        const double height = pixelsAt1(need.boxHeightTwips) * limit - need.frameHeight;
        scale.font = std::min({scale.font, width / need.textWidth, height / need.textHeight});
    }
    scale.font = std::max(scale.font, 0.0);
    return scale;
}

LayoutScale fitLayout(const std::function<std::vector<CaptionNeed>(double font)>& measure, double least,
                      double most)
{
    double font = 1.0;
    LayoutScale scale = layoutScale(measure(font), least, most);
    for (int tries = 0; tries < 10 && scale.font < 1.0; ++tries) {
        font *= scale.font * 0.98;   // a little more, or it only comes closer and closer
        scale = layoutScale(measure(font), least, most);
    }
    scale.font *= font;
    return scale;
}

double roomFor(double width, double height)
{
    return std::min(width / pixelsAt1(kClientWidthTwips), height / pixelsAt1(kClientHeightTwips));
}

int scaledPixels(int twips, int dpi)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / (kTwipsPerPixel * kReferenceDpi)));
}

} // namespace rechner
