#pragma once
// The picture reference file p.cxa in the program folder: one line, the full
// path of the picture the player chose last, followed by CR LF.
//
// Paths are written in Windows-1252. A path that Windows-1252 cannot hold is
// written in UTF-8 instead, so it is never corrupted; on reading, a line that
// is valid UTF-8 and has non-ASCII bytes is taken as UTF-8, any other line as
// Windows-1252.
#include <QByteArray>
#include <QString>

namespace PictureReference {

constexpr const char *FileName = "p.cxa";

// The first line of p.cxa in folder, untrimmed. A missing, unreadable or
// empty file gives a null string (the game then asks for a picture).
QString read(const QString &folder);

// Decodes one line of the file by the rule above.
QString decodeLine(const QByteArray &line);

// The bytes written for path: the path and CR LF.
QByteArray encode(const QString &path);

// Replaces p.cxa atomically with path; false (and the old file whole) when
// the file cannot be written.
bool write(const QString &folder, const QString &path);

} // namespace PictureReference
