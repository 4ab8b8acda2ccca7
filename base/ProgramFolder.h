#pragma once
// The program folder: where the executable lies and where the game keeps all
// of its files. Tests point it at a temporary folder.
#include <QString>

namespace ProgramFolder {

// The folder without a trailing '/'.
QString path();

// Builds a path below the program folder, e.g. file("Images/bild.jpg").
QString file(const QString &relative);

// Overrides the folder (tests); an empty path restores the executable's folder.
void setPath(const QString &folder);

} // namespace ProgramFolder
