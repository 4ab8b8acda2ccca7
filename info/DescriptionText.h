#pragma once
// The text of the description window: what the game is about, the keys, how
// to play, notes on the picture copies and the saved games. Built in code,
// never read from a file, in the language of the installed translation.
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>

namespace DescriptionText {

// The lines in order, without line ends. libraryFolder and savesFolder are
// the folders the notes name, as the player finds them.
QStringList lines(const QString &libraryFolder, const QString &savesFolder);

// The lines joined by CR LF, with no CR LF after the last line.
QString text(const QString &libraryFolder, const QString &savesFolder);

// The keys the key list names, in the order of the text.
QList<QKeySequence> keys();

} // namespace DescriptionText
