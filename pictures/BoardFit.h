#pragma once
// The player's choice how a picture that is not square becomes the board
// ("Bild zuschneiden"), kept between runs in a settings file of its own in
// the program folder: one line "Bild zuschneiden=1" (or "=0") and CR LF.
// A missing, unreadable or unknown file means the whole picture stretched,
// the default.
#include "pictures/TileCutter.h"

#include <QByteArray>
#include <QString>

namespace BoardFit {

constexpr const char *FileName = "einstellungen.ini";

// The choice stored in folder.
TileCutter::Fit read(const QString &folder);

// The bytes written for fit.
QByteArray encode(TileCutter::Fit fit);

// Replaces the settings file in folder atomically; false (and the old file
// whole) when it cannot be written.
bool write(const QString &folder, TileCutter::Fit fit);

} // namespace BoardFit
