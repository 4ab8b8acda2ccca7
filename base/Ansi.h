#pragma once
// The game's stored text files are 8-bit Windows-1252 text with CR LF after
// every line, the last one included. Every reader and writer goes through here.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Ansi {

// Windows-1252 bytes to text.
QString decode(const QByteArray &bytes);

// Text to Windows-1252 bytes; a character the code page cannot hold becomes '?',
// one byte per character, so fixed-length fields never shift.
QByteArray encode(const QString &text);

// True when every character of text has a Windows-1252 byte.
bool canEncode(const QString &text);

// Splits file content into lines. A line ends at CR LF; a lone LF ends a line
// too (files edited on Linux), and a missing line end after the last line is
// accepted. An empty content has no lines.
QList<QByteArray> splitLines(const QByteArray &content);

// Decoded lines of a file's content.
QStringList readLines(const QByteArray &content);

// The lines encoded, each followed by CR LF.
QByteArray writeLines(const QStringList &lines);

} // namespace Ansi
