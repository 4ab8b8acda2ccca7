#pragma once
// The words the main window gives the game's reports: the best-value line,
// the line of what could not be written, the message for a position that
// cannot be solved, and the message at the win of a helped game. The texts
// are German, translated through tr() (context "GameTexts").
#include "app/GameController.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class GameTexts
{
    Q_DECLARE_TR_FUNCTIONS(GameTexts)
public:
    static QString bestwert(GameController::Bestwert state, int length)
    {
        switch (state) {
        case GameController::Bestwert::Unknown:
            break;
        case GameController::Bestwert::Searching:
            return tr("Bestwert: …");
        case GameController::Bestwert::Known:
            return tr("Bestwert: %1").arg(length);
        case GameController::Bestwert::Found:
            return tr("Lösung: %1 Züge").arg(length);
        case GameController::Bestwert::Unsolvable:
            return tr("Bestwert: unlösbar");
        case GameController::Bestwert::SolutionSearching:
            return tr("Bestwert: wird gesucht …");
        }
        return QString();
    }

    // Every text the best-value line may show, with a count of length (a
    // large board's solution has three digits): the line is made wide
    // enough for each. The window sizes it with one digit more than that,
    // as a font may draw the last letter a pixel past the text's advance.
    static QStringList bestwertTexts(int length = 888)
    {
        using B = GameController::Bestwert;
        QStringList texts;
        for (B state : {B::Searching, B::Known, B::Found, B::Unsolvable, B::SolutionSearching})
            texts << bestwert(state, length);
        return texts;
    }

    static QString notices(int notices)
    {
        QStringList lines;
        if (notices & GameController::KeptGameNotWritten)
            lines << tr("Das laufende Spiel kann nicht gesichert werden.");
        if (notices & GameController::SettingNotWritten)
            lines << tr("Die Einstellung kann nicht gespeichert werden.");
        return lines.join(QLatin1Char(' '));
    }

    static QString unsolvable()
    {
        return tr("Diese Stellung kann nicht gelöst werden:\r\nkein Zug führt das Bild zusammen.");
    }

    // A won game that does not enter the top ten, by the help it had
    // (GameSession::Help flags): a hint, the solution, both, or a help a
    // saved game recorded without saying which.
    static QString helpedWin(int help)
    {
        const bool hint = help & GameSession::HintTaken, solution = help & GameSession::SolutionShown;
        if (hint && solution)
            return tr("Geschafft! In diesem Spiel wurden ein Tipp benutzt und die Lösung gezeigt,\r\n"
                      "deshalb kommt es nicht in die Bestenliste.");
        if (help & GameSession::HelpSaved)
            return tr("Geschafft! Dieses Spiel wurde mit Hilfe gespielt (Tipp oder Lösung),\r\n"
                      "deshalb kommt es nicht in die Bestenliste.");
        if (solution)
            return tr("Geschafft! In diesem Spiel wurde die Lösung gezeigt,\r\n"
                      "deshalb kommt es nicht in die Bestenliste.");
        return tr("Geschafft! In diesem Spiel wurde ein Tipp benutzt,\r\n"
                  "deshalb kommt es nicht in die Bestenliste.");
    }
};
