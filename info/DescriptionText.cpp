#include "info/DescriptionText.h"

#include <QRegularExpression>

namespace DescriptionText {

namespace {
// Key lines and hint lines stand indented by seven blanks under their heading.
const QString Indent = QStringLiteral("       ");
} // namespace

QStringList lines()
{
    return {
        QStringLiteral("Dieses Spiel ist ein kleiness Zandor,"),
        QStringLiteral("bei dem versucht werden soll,"),
        QStringLiteral("alle Steine in die richtige Position zu bringen."),
        QStringLiteral("Wobei das Feld rechts unten leer bleibt."),
        QString(),
        QString(),
        QStringLiteral("Tastaturbelegung"),
        Indent + QStringLiteral("[F1]...Info"),
        Indent + QStringLiteral("[F2]...Neu starten"),
        Indent + QStringLiteral("[F3]...Bild ändern"),
        Indent + QStringLiteral("[Umschalt+F3]...Bild zuschneiden ein/ausschalten"),
        Indent + QStringLiteral("[F4]...Tipp"),
        Indent + QStringLiteral("[F5]...Spielstand speichern"),
        Indent + QStringLiteral("[F6]...Spielstand laden"),
        Indent + QStringLiteral("[F7]...Vorschau ein/ausschalten"),
        Indent + QStringLiteral("[F8]...Positionsanzeige ein/ausschalten"),
        Indent + QStringLiteral("[F9]...Lösung zeigen"),
        Indent + QStringLiteral("[F11]...Bestenliste anzeigen"),
        Indent + QStringLiteral("[F12]...Programm Beschreibung"),
        Indent + QStringLiteral("[Strg+Z]...Zug zurück"),
        Indent + QStringLiteral("[Strg+Umschalt+F]...Vollbild ein/ausschalten"),
        QString(),
        QStringLiteral("Hinweis:"),
        Indent + QStringLiteral("Beim Laden von neuen Bildern,"),
        Indent + QStringLiteral("wird eine Kopie des Bildes in dem Ordner"),
        Indent + QStringLiteral("(..\\Zandor\\Images\\Originale) angelegt."),
        Indent + QStringLiteral("Nicht mehr benutzte Bilder sollten aus Platzgründen"),
        Indent + QStringLiteral("von Zeit zu Zeit gelöscht werden."),
        Indent + QStringLiteral("Gespeicherte Spiele befinden sich im Ordner Saves"),
        Indent + QStringLiteral("und werden im Windows Explorer gelöscht."),
        QString(),
        QString(),
        QStringLiteral("Fehler und Anregungen bitte an mich senden."),
        QStringLiteral("Die E-Mailadresse befindet sich auf dem info-Formular."),
        QString(),
        QStringLiteral("Viel Spaß beim Spielen"),
    };
}

QString text()
{
    return lines().join(QStringLiteral("\r\n"));
}

QList<QKeySequence> keys()
{
    // A key line: the indent, then "[F<n>]...", "[Umschalt+F<n>]...",
    // "[Strg+<letter>]..." or "[Strg+Umschalt+<letter>]..." and the action
    // ("Umschalt" and "Strg" are the German names of the Shift and Ctrl keys).
    static const QRegularExpression keyLine(
        QStringLiteral("^\\s*\\[((?:Umschalt\\+)?F\\d{1,2}|Strg\\+(?:Umschalt\\+)?[A-Z])\\]\\.\\.\\."));
    QList<QKeySequence> result;
    for (const QString &line : lines()) {
        const QRegularExpressionMatch m = keyLine.match(line);
        if (m.hasMatch())
            result.append(QKeySequence::fromString(m.captured(1).replace(QStringLiteral("Umschalt+"), QStringLiteral("Shift+")).replace(QStringLiteral("Strg+"), QStringLiteral("Ctrl+")),
                                                   QKeySequence::PortableText));
    }
    return result;
}

} // namespace DescriptionText
