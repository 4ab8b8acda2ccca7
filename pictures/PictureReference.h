#pragma once
// The picture reference file p.cxa in the program folder: one line, the full
// path of the picture the player chose last, followed by CR LF.
//
// Paths are written in Windows-1252. A path that Windows-1252 cannot hold is
// written in UTF-8 instead, so it is never corrupted. Many Windows-1252 byte
// pairs (a letter from À to ß followed by €, „, …, ™, ©, ®, °, ² and the
// like) are also valid UTF-8, so a line cannot tell by itself which encoding
// wrote it: it is read as Windows-1252, and as UTF-8 only when the UTF-8
// reading names an existing file and the Windows-1252 reading does not.
#include <QByteArray>
#include <QString>

namespace PictureReference {

constexpr const char *FileName = "p.cxa";

// A line longer than this many bytes is no path (the system's PATH_MAX).
constexpr int MaxPathBytes = 4096;

// The first line of p.cxa in folder, untrimmed. A missing, unreadable, empty
// or non-regular file, or a first line too long to be a path, gives a null
// string (the game then asks for a picture).
QString read(const QString &folder);

// Decodes one line holding a path by the rule above. A line longer than
// MaxPathBytes gives a null string.
QString decodeLine(const QByteArray &line);

// The bytes written for path: the path and CR LF.
QByteArray encode(const QString &path);

// Replaces p.cxa atomically with path; false (and the old file whole) when
// the file cannot be written.
bool write(const QString &folder, const QString &path);

} // namespace PictureReference
