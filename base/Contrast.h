#pragma once
// Text colours that stay readable on the palette's background: the contrast
// ratio of two colours by their relative luminance (sRGB, as the web's
// accessibility guidelines measure it), and a colour moved in lightness, its
// hue and saturation kept, until it reaches a wanted ratio.
#include <QColor>

namespace Contrast {

constexpr double Text = 4.5;        // ordinary text
constexpr double LargeText = 3.0;   // large or bold headings

double luminance(const QColor &c);
double ratio(const QColor &a, const QColor &b);

// wanted itself when it reaches minRatio on background; otherwise the
// nearest colour of its hue and saturation that does, darker on a light
// background and lighter on a dark one.
QColor readable(const QColor &wanted, const QColor &background, double minRatio);

} // namespace Contrast
