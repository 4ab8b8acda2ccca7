#pragma once
// The game's message box: OK only, no icon, the application title "Zandor".
#include <QString>

class QWidget;

namespace Meldung {

constexpr const char *AppTitle = "Zandor";

// Shows text modally and returns when the player has pressed OK.
void zeigen(QWidget *parent, const QString &text);

} // namespace Meldung
