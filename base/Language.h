#pragma once
// The language of the game's texts. The texts are written in German; an
// English translation (zandor_en.qm) stands beside them. The system's
// settings choose, as Qt reads them (LANGUAGE, then LC_ALL, LC_MESSAGES,
// LANG): German or English, whichever the player's list of languages names
// first; German where no language is set at all (C, C.UTF-8, POSIX), the
// game's own; English for a list that names neither. Qt's own dialog texts
// (buttons, the file dialog) follow the same choice. What the game stores
// never depends on it.
#include <QString>
#include <QStringList>

namespace Language {

enum class Choice { German, English };

// The choice for a list of user-interface languages, most wanted first, as
// QLocale::uiLanguages() gives them ("de-DE", "en", "C").
Choice choose(const QStringList &uiLanguages);

// The choice for this system: choose(QLocale::system().uiLanguages()).
Choice system();

// The folder of the translations within the game's data folder.
constexpr const char *Folder = "translations";

// Loads and installs into the running application what choice needs: for
// English the game's translation zandor_en.qm from folder (the data
// folder's Folder); for German Qt's
// own German texts from Qt's translations. False when a file is missing
// (the texts then stay as written, German or Qt's English).
bool install(Choice choice, const QString &folder);

} // namespace Language
