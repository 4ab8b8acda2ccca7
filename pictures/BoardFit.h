#pragma once
// The player's choice how a picture that is not square becomes the board
// ("Bild zuschneiden"), kept between runs in the settings file as the line
// "Bild zuschneiden=1" (or "=0"). A missing or unknown value means the whole
// picture stretched, the default.
#include "base/SettingsFile.h"
#include "pictures/TileCutter.h"

#include <QString>

namespace BoardFit {

constexpr const char *Key = "Bild zuschneiden";

// The choice the settings hold.
TileCutter::Fit read(const SettingsFile &settings);

// The value written for fit.
QString value(TileCutter::Fit fit);

// Records fit in the settings; false (and the old choice kept) when the
// file cannot be written.
bool write(SettingsFile &settings, TileCutter::Fit fit);

} // namespace BoardFit
