#pragma once
// The program folder: where the game keeps every file it writes and reads
// back (p.cxa, scr.cxa, Saves/, Images/originale/, Images/bild.jpg,
// solver.pdb), and the data folder that holds its read-only files (Hand.cur,
// the pictures offered on the first start).
//
// A game that runs from a folder it may write to (the build folder, a copy
// unpacked anywhere) keeps everything beside its executable, as always. An
// installed game (the executable in <prefix>/bin, its data in
// <prefix>/share/zandor) or one whose folder cannot be written keeps the
// player's files in $XDG_DATA_HOME/zandor (~/.local/share/zandor) instead
// and never writes below its own folder. Tests point it at a temporary
// folder.
#include <QString>

namespace ProgramFolder {

// The folder without a trailing '/'.
QString path();

// Builds a path below the program folder, e.g. file("Images/bild.jpg").
QString file(const QString &relative);

// Overrides the folder (tests); an empty path restores the decision below.
// While overridden, the read-only data are looked up there as well.
void setPath(const QString &folder);

// A read-only data file by name, e.g. resource("Hand.cur"): beside the
// executable when Hand.cur lies there, else in ../share/zandor relative to
// the executable when that folder exists.
QString resource(const QString &name);

// Removes the temporary files that writes cut short (a crash, a kill) left in
// folder and its subfolders Saves, Images and Images/originale. Only while
// this process holds the folder's lock.
void removeLeftovers(const QString &folder);

// --- the decision, one step at a time (start-up and tests) ------------------

// True when a file can be created in folder by this process (tried, not
// guessed from the permission bits, so it holds for root and for read-only
// mounts alike).
bool isWritable(const QString &folder);

// The user's home folder: $HOME, or, when that is unset (or the root folder),
// the one the user database names; never the root folder. Empty when there
// is none.
QString homeFolder();

// $XDG_DATA_HOME when it is an absolute path, else homeFolder() +
// "/.local/share"; empty without a home folder.
QString dataHome();

// The program folder for an executable in executableFolder, with dataHome
// standing for $XDG_DATA_HOME (empty when there is none: the executable's
// folder is then used in any case): the executable's folder when it is writable
// and not an installed layout (its data in ../share/zandor), else
// dataHome/zandor. That folder is created with Images/originale, which is
// filled with the pictures of the data folder's Images/originale; a mark
// written once all are copied keeps later starts from filling it again, and
// a fill cut short is finished at the next start.
QString choose(const QString &executableFolder, const QString &dataHome);

} // namespace ProgramFolder
