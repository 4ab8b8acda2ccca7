#pragma once
// The text of the description window: what the game is about, the function
// keys, notes on the picture copies and the saved games. Built in code, never
// read from a file.
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>

namespace DescriptionText {

// The lines in order, without line ends.
QStringList lines();

// The lines joined by CR LF, with no CR LF after the last line.
QString text();

// The keys the key list names, in the order of the text. Taken from the
// "[Fn]" or "[Strg+X]" at the start of each key line, so the list follows
// the text.
QList<QKeySequence> keys();

} // namespace DescriptionText
