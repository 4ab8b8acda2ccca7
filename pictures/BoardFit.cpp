#include "pictures/BoardFit.h"

namespace BoardFit {

TileCutter::Fit read(const SettingsFile &settings)
{
    return settings.value(QLatin1String(Key)) == QLatin1String("1") ? TileCutter::Fit::CropToSquare
                                                                     : TileCutter::Fit::Stretch;
}

QString value(TileCutter::Fit fit)
{
    return fit == TileCutter::Fit::CropToSquare ? QStringLiteral("1") : QStringLiteral("0");
}

bool write(SettingsFile &settings, TileCutter::Fit fit)
{
    return settings.set(QLatin1String(Key), value(fit));
}

} // namespace BoardFit
