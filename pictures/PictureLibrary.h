#pragma once
// The picture library: the folder Images/originale under the program folder,
// which keeps a copy of every picture the player chose, under the picture's
// own file name where that is free. A library file is never replaced: the
// only copy of a picture, and every saved game that came to rely on it, keep
// their picture. The library remembers which file each copy was made from
// (the hidden file ".origins" in it), so that a picture moved away since is
// found again in its own copy and never in another picture of the same name.
#include <QString>

namespace PictureLibrary {

// The library folder of a program folder.
QString folder(const QString &programFolder);

// True when a and b name the same existing file, however they are spelt
// (".." in the path, symbolic links, hard links).
bool sameFile(const QString &a, const QString &b);

// Puts the picture of the file `chosen` into libraryFolder and returns the
// library file that holds it; empty (and the library as it was) when the
// folder is missing or the file cannot be read or copied.
// - A file chosen inside the library is that library file, left exactly as
//   it is.
// - A library file under the chosen file's name, or under one of the names
//   later copies of that name get ("Name (2).jpg", "Name (3).jpg" ...),
//   that holds the same bytes is taken as it is: the same picture chosen
//   again is not copied twice.
// - Otherwise the copy goes in under the first of those names that is free.
//   It is written under a temporary name and takes its name only while the
//   name is free; it is readable by all and writable by its owner at most
//   (under the file creation mask), whatever rights the chosen file has.
// The library file is recorded as made from `chosen`, as the path was given.
QString copyIn(const QString &chosen, const QString &libraryFolder);

// The library's copy of the picture once found at `path` (a saved game's
// picture that has since been moved; the path as copyIn() was given it):
// - the copy last recorded as made from that path;
// - for a path in a library folder (".../Images/originale/Name", with
//   slashes or backslashes, as another program folder or another system
//   names its library files), the library file of that name;
// - else the library file of the path's file name (its last part after a
//   slash or a backslash), unless the library records it as made from
//   another file: a picture that came into the library in another way.
// Empty when there is no such regular file.
QString copyOf(const QString &path, const QString &libraryFolder);

} // namespace PictureLibrary
