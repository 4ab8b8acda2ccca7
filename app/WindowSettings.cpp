#include "app/WindowSettings.h"

namespace WindowSettings {

namespace {

int side(const SettingsFile &settings, const char *key)
{
    bool ok = false;
    const int n = settings.value(QString::fromUtf8(key)).value_or(QString()).toInt(&ok);
    return ok && n > 0 && n <= MaxSide ? n : -1;
}

bool flag(const SettingsFile &settings, const char *key)
{
    return settings.value(QString::fromUtf8(key)) == QLatin1String("1");
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

State read(const SettingsFile &settings)
{
    State s;
    const int w = side(settings, WidthKey), h = side(settings, HeightKey);
    if (w > 0 && h > 0)
        s.size = QSize(w, h);
    s.maximized = flag(settings, MaximizedKey);
    s.fullScreen = flag(settings, FullScreenKey);
    return s;
}

bool write(SettingsFile &settings, const State &state)
{
    SettingsFile::Values values;
    if (state.size.isValid())
        values = {{QString::fromUtf8(WidthKey), QString::number(qBound(1, state.size.width(), MaxSide))},
                  {QString::fromUtf8(HeightKey), QString::number(qBound(1, state.size.height(), MaxSide))}};
    values.append({QString::fromUtf8(MaximizedKey), flag(state.maximized)});
    values.append({QString::fromUtf8(FullScreenKey), flag(state.fullScreen)});
    return settings.set(values);
}

} // namespace WindowSettings
