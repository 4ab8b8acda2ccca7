#pragma once
// The picture library: the folder Images/originale under the program folder,
// which keeps a copy of every picture the player chose, under the picture's
// own file name.
#include <QString>

namespace PictureLibrary {

// The library folder of a program folder.
QString folder(const QString &programFolder);

// True when a and b name the same existing file, however they are spelt
// (".." in the path, symbolic links, hard links).
bool sameFile(const QString &a, const QString &b);

// Puts a copy of the file `chosen` into libraryFolder under its own file
// name, replacing a library file of that name. When `chosen` already is that
// library file it is left exactly as it is. The copy is written under a
// temporary name in the library and then renamed over the old file, so the
// old file stays whole until its replacement is complete; it is readable by
// all and writable by its owner at most (under the file creation mask),
// whatever rights the chosen file has. Returns true when
// the library holds the picture afterwards; false (and nothing changed) when
// the folder is missing or the file cannot be read or written.
bool copyIn(const QString &chosen, const QString &libraryFolder);

// The library's copy of the picture once found at `path` (a saved game's
// picture that has since been moved): the regular file in libraryFolder
// under that path's file name, the last part after a slash or a backslash.
// Empty when the library holds no such file.
QString copyOf(const QString &path, const QString &libraryFolder);

} // namespace PictureLibrary
