#pragma once
// The game's message boxes: no icon, the application title "Zandor"; a
// message with OK, a question with Ja and Nein (in the player's language).
#include <QString>

class QWidget;

namespace Meldung {

constexpr const char *AppTitle = "Zandor";

// Shows text modally and returns when the player has pressed OK.
void zeigen(QWidget *parent, const QString &text);

// Asks text modally: true when the player answers Ja; Nein is the default
// answer (Enter), and closing the box answers Nein as well.
bool fragen(QWidget *parent, const QString &text);

} // namespace Meldung
