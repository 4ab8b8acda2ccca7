#include "base/Contrast.h"

#include <algorithm>
#include <cmath>

namespace Contrast {

namespace {
double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}
} // namespace

double luminance(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double ratio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readable(const QColor &wanted, const QColor &background, double minRatio)
{
    if (ratio(wanted, background) >= minRatio)
        return wanted;
    // Towards black or towards white, whichever stands further from the
    // background; the ratio grows steadily along the way.
    const bool darken = ratio(Qt::black, background) >= ratio(Qt::white, background);
    const QColor hsl = wanted.toHsl();
    const float hue = hsl.hslHueF(), saturation = hsl.hslSaturationF();
    float near = hsl.lightnessF(), far = darken ? 0.0f : 1.0f;
    for (int i = 0; i < 24; ++i) {
        const float mid = (near + far) / 2;
        if (ratio(QColor::fromHslF(hue, saturation, mid), background) >= minRatio)
            far = mid;
        else
            near = mid;
    }
    return QColor::fromHslF(hue, saturation, far).toRgb();
}

} // namespace Contrast
