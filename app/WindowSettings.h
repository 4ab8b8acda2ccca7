#pragma once
// The main window's size and state between runs, kept in the settings file
// as four lines: "Fensterbreite=" and "Fensterhöhe=" the size in logical
// pixels (the window without the window manager's frame, menu bar
// included: the size it has when neither maximised nor fullscreen),
// "Maximiert=" and "Vollbild=" 1 or 0. A size that is missing, not a whole
// number or out of bounds leaves the window its first size.
#include "base/SettingsFile.h"

#include <QSize>

namespace WindowSettings {

constexpr const char *WidthKey = "Fensterbreite";
constexpr const char *HeightKey = "Fensterhöhe";
constexpr const char *MaximizedKey = "Maximiert";
constexpr const char *FullScreenKey = "Vollbild";
// No window is larger than this many logical pixels either way.
constexpr int MaxSide = 32767;

struct State {
    QSize size;               // invalid: none remembered
    bool maximized = false;
    bool fullScreen = false;
    bool operator==(const State &o) const
    {
        return size == o.size && maximized == o.maximized && fullScreen == o.fullScreen;
    }
};

// The state the settings hold.
State read(const SettingsFile &settings);

// Records state in the settings in one write; false (and the settings as
// they were) when the file cannot be written.
bool write(SettingsFile &settings, const State &state);

} // namespace WindowSettings
