#pragma once
// The words the main window gives the game's reports: the best-value line,
// the line of what could not be written, the message for a position that
// cannot be solved.
#include "app/GameController.h"

#include <QString>
#include <QStringList>

namespace GameTexts {

inline QString bestwert(GameController::Bestwert state, int length)
{
    switch (state) {
    case GameController::Bestwert::Unknown:
        break;
    case GameController::Bestwert::Searching:
        return QStringLiteral("Bestwert: …");
    case GameController::Bestwert::Known:
        return QStringLiteral("Bestwert: %1").arg(length);
    case GameController::Bestwert::Unsolvable:
        return QStringLiteral("Bestwert: unlösbar");
    case GameController::Bestwert::SolutionSearching:
        return QStringLiteral("Bestwert: wird gesucht …");
    }
    return QString();
}

inline QString notices(int notices)
{
    QStringList lines;
    if (notices & GameController::KeptGameNotWritten)
        lines << QStringLiteral("Das laufende Spiel kann nicht gesichert werden.");
    if (notices & GameController::SettingNotWritten)
        lines << QStringLiteral("Die Einstellung kann nicht gespeichert werden.");
    return lines.join(QLatin1Char(' '));
}

inline QString unsolvable()
{
    return QStringLiteral("Diese Stellung kann nicht gelöst werden:\r\nkein Zug führt das Bild zusammen.");
}

} // namespace GameTexts
