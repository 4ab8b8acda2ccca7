#include "info/DescriptionText.h"

#include <QCoreApplication>
#include <QDir>

#include <iterator>

namespace DescriptionText {

namespace {

// A text marked below in its translation.
QString translated(const char *text)
{
    return QCoreApplication::translate("DescriptionText", text);
}

// Key lines, the lines of how to play and the notes stand indented by seven
// blanks under their heading.
const QString Indent = QStringLiteral("       ");

// The key list: each key with its line.
struct KeyLine {
    QKeyCombination key;
    const char *line;
};
const KeyLine KeyLines[] = {
    {Qt::Key_F1, QT_TRANSLATE_NOOP("DescriptionText", "[F1]...Info")},
    {Qt::Key_F2, QT_TRANSLATE_NOOP("DescriptionText", "[F2]...Neu starten")},
    {Qt::Key_F3, QT_TRANSLATE_NOOP("DescriptionText", "[F3]...Bild ändern")},
    {Qt::SHIFT | Qt::Key_F3, QT_TRANSLATE_NOOP("DescriptionText", "[Umschalt+F3]...Bild zuschneiden ein/ausschalten")},
    {Qt::Key_F4, QT_TRANSLATE_NOOP("DescriptionText", "[F4]...Tipp")},
    {Qt::Key_F5, QT_TRANSLATE_NOOP("DescriptionText", "[F5]...Spielstand speichern")},
    {Qt::Key_F6, QT_TRANSLATE_NOOP("DescriptionText", "[F6]...Spielstand laden")},
    {Qt::Key_F7, QT_TRANSLATE_NOOP("DescriptionText", "[F7]...Vorschau ein/ausschalten")},
    {Qt::Key_F8, QT_TRANSLATE_NOOP("DescriptionText", "[F8]...Positionsanzeige ein/ausschalten")},
    {Qt::Key_F9, QT_TRANSLATE_NOOP("DescriptionText", "[F9]...Lösung zeigen")},
    {Qt::Key_F11, QT_TRANSLATE_NOOP("DescriptionText", "[F11]...Bestenliste anzeigen")},
    {Qt::Key_F12, QT_TRANSLATE_NOOP("DescriptionText", "[F12]...Programm Beschreibung")},
    {Qt::CTRL | Qt::Key_Z, QT_TRANSLATE_NOOP("DescriptionText", "[Strg+Z]...Zug zurück")},
    {Qt::CTRL | Qt::SHIFT | Qt::Key_F, QT_TRANSLATE_NOOP("DescriptionText", "[Strg+Umschalt+F]...Vollbild ein/ausschalten")},
};

// How to play, a paragraph each.
const char *const Playing[] = {
    QT_TRANSLATE_NOOP("DescriptionText", "Ein Stein wird mit der Maus auf das leere Feld\n"
                                         "daneben gezogen. Jedes Ablegen auf dem leeren\n"
                                         "Feld zählt als Zug, auch wenn der Stein von\n"
                                         "weiter weg kommt und darum liegen bleibt."),
    QT_TRANSLATE_NOOP("DescriptionText", "Ein Klick auf einen Stein in der Zeile oder Spalte\n"
                                         "des leeren Feldes schiebt ihn und alle Steine\n"
                                         "dazwischen, jeden Stein als einen Zug.\n"
                                         "Die Pfeiltasten schieben den Stein neben dem\n"
                                         "leeren Feld in Pfeilrichtung hinein."),
    QT_TRANSLATE_NOOP("DescriptionText", "\"Zug zurück\" (Strg+Z) nimmt den letzten Zug\n"
                                         "zurück, einen Klick ganz; jeder zurückgeschobene\n"
                                         "Stein zählt als Zug. Gleich nach \"Neu\",\n"
                                         "\"Bild ändern\", \"Spielfeld\" oder \"Laden\" heißt\n"
                                         "er \"Spiel zurück\" und holt das vorige Spiel\n"
                                         "zurück, wie es war."),
    QT_TRANSLATE_NOOP("DescriptionText", "\"Tipp\" (F4) zeigt den nächsten Zug einer\n"
                                         "kürzesten Lösung, \"Lösung zeigen\" (F9) spielt\n"
                                         "sie vor, bis eine Taste oder ein Klick sie anhält.\n"
                                         "Ein Spiel mit Tipp oder Lösung kommt nicht in\n"
                                         "die Bestenliste."),
    QT_TRANSLATE_NOOP("DescriptionText", "Unter \"Optionen\" wählt \"Spielfeld\" ein Brett\n"
                                         "von 3 × 3 bis 6 × 6 Feldern; \"Nummern\" schreibt\n"
                                         "jedem Stein seine Nummer auf; \"Vollbild\"\n"
                                         "(Strg+Umschalt+F) füllt den ganzen Bildschirm."),
    QT_TRANSLATE_NOOP("DescriptionText", "Ein angefangenes Spiel geht nicht verloren: es\n"
                                         "wird aufbewahrt und beim nächsten Start\n"
                                         "fortgesetzt."),
};

// The lines of a translated paragraph, each indented.
QStringList indented(const QString &paragraph)
{
    QStringList result;
    for (const QString &line : paragraph.split(QLatin1Char('\n')))
        result << (line.isEmpty() ? line : Indent + line);
    return result;
}

} // namespace

QStringList lines(const QString &libraryFolder, const QString &savesFolder)
{
    const char *const Intro = QT_TRANSLATE_NOOP("DescriptionText", "Dieses Spiel ist ein kleiness Zandor,\n"
                                                                   "bei dem versucht werden soll,\n"
                                                                   "alle Steine in die richtige Position zu bringen.\n"
                                                                   "Wobei das Feld rechts unten leer bleibt.");
    const char *const Notes = QT_TRANSLATE_NOOP("DescriptionText", "Beim Laden von neuen Bildern,\n"
                                                                   "wird eine Kopie des Bildes in dem Ordner\n"
                                                                   "(%1) angelegt.\n"
                                                                   "Nicht mehr benutzte Bilder sollten aus Platzgründen\n"
                                                                   "von Zeit zu Zeit gelöscht werden.\n"
                                                                   "Gespeicherte Spiele befinden sich im Ordner Saves\n"
                                                                   "(%2)\n"
                                                                   "und werden im Dateimanager gelöscht.");
    const char *const Contact = QT_TRANSLATE_NOOP("DescriptionText", "Fehler und Anregungen bitte an mich senden.\n"
                                                                     "Die E-Mailadresse befindet sich auf dem info-Formular.");

    QStringList result = translated(Intro).split(QLatin1Char('\n'));
    result << QString() << QString() << translated(QT_TRANSLATE_NOOP("DescriptionText", "Tastaturbelegung"));
    for (const KeyLine &k : KeyLines)
        result << Indent + translated(k.line);

    result << QString() << translated(QT_TRANSLATE_NOOP("DescriptionText", "So wird gespielt:"));
    for (std::size_t i = 0; i < std::size(Playing); ++i) {
        if (i > 0)
            result << QString();   // a blank line between paragraphs
        result << indented(translated(Playing[i]));
    }

    result << QString() << translated(QT_TRANSLATE_NOOP("DescriptionText", "Hinweis:"));
    result << indented(translated(Notes).arg(QDir::toNativeSeparators(libraryFolder), QDir::toNativeSeparators(savesFolder)));
    result << QString() << QString() << translated(Contact).split(QLatin1Char('\n'));
    result << QString() << translated(QT_TRANSLATE_NOOP("DescriptionText", "Viel Spaß beim Spielen"));
    return result;
}

QString text(const QString &libraryFolder, const QString &savesFolder)
{
    return lines(libraryFolder, savesFolder).join(QStringLiteral("\r\n"));
}

QList<QKeySequence> keys()
{
    QList<QKeySequence> result;
    for (const KeyLine &k : KeyLines)
        result << QKeySequence(k.key);
    return result;
}

} // namespace DescriptionText
