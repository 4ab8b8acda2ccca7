#pragma once
// A saved game: a text file of 20 lines in the folder Saves of the program
// folder, Windows-1252, CR LF after every line (the last one included).
//
//   lines 1..16  field 0..15: the tile number on the field, 100 for the empty
//                field ("leer"); a game saved before its first drop has 15 there
//   line 17      the move counter
//   line 18      preview shown: "1" on, "0" off
//   line 19      position display shown: "1" on, "0" off
//   line 20      the picture reference, verbatim
//   line 21      "1" when a hint was shown in the game; absent otherwise, so
//                that a game without a hint has exactly the 20 lines and a
//                reader of 20 lines reads every file unchanged
//
// Numbers are plain decimal text. Line 20 is written and read by the rule of
// p.cxa (PictureReference): Windows-1252, or UTF-8 for a path Windows-1252
// cannot hold, read back as the path that was written.
//
// The reader checks the whole file before anything is handed on: a file with
// fewer than 20 lines, a line 1..19 that is not a whole number in the 16-bit
// range, lines 1..16 that are not a board (tiles 0..14 once each and one
// empty field, 100 or 15), or a line 20 longer than a path can be is not a
// saved game, and nothing of it is used.
#include "base/FileAccess.h"
#include "game/GameSession.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QVector>

class SavedGame : public GameState
{
public:
    // What went wrong with a saved game or a name for one. The file knows
    // what happened; the window that reports it puts it into words.
    struct Problem {
        enum class Kind {
            None,
            NameBlank,           // no name, or only blanks
            NameReserved,        // "." or ".."
            NameSeparator,       // holds '/' or '\'
            NameControl,         // holds a control character
            TooFewLines,         // fewer than LineCount lines
            NotANumber,          // line `line` (1..19) is no 16-bit whole number
            NotABoard,           // lines 1..16 are no board
            PictureLineTooLong,  // line 20 is longer than a path can be
            Unreadable,          // missing, not a regular file, or not readable
            TooLarge,            // the 20 lines do not end within the bound
            CannotWrite,         // the file at `subject` could not be replaced
            CannotDelete,        // the file shown as `subject` could not be deleted
        };
        Kind kind = Kind::None;
        int line = 0;
        QString subject;         // the name, path or shown name concerned
        explicit operator bool() const { return kind != Kind::None; }
    };

    static constexpr int LineCount = 20;
    static constexpr const char *HintLine = "1";
    static constexpr int FieldCount = 16;
    static constexpr const char *Extension = ".sav";
    static constexpr const char *FolderName = "Saves";

    SavedGame() = default;
    explicit SavedGame(const GameState &state) : GameState(state) {}

    // --- file content --------------------------------------------------------
    // The 20 lines as bytes. fields must hold 16 values.
    QByteArray toBytes() const;

    // Parses and checks file content. On success fills game and returns true;
    // otherwise returns false with the reason in problem and leaves game as
    // it was.
    static bool fromBytes(const QByteArray &content, SavedGame *game, Problem *problem);

    // A line 1..19: a whole number in the 16-bit range (blanks around it and
    // a sign allowed). Returns false for anything else.
    static bool parseNumber(const QString &line, qint16 *value);

    // --- names and paths -----------------------------------------------------
    // Program folder + "/Saves".
    static QString folder();
    // Creates the folder when it is missing; false when that fails.
    static bool ensureFolder();

    // Why name must not be used as the name of a saved game: empty or blank,
    // "." or "..", holding '/' or '\' or a control character. No problem
    // when the name is fine; a marked name the list shows always is. Checked
    // before every save, load and delete so that no name reaches outside
    // Saves.
    static Problem nameError(const QString &name);

    // Save: folder + "/" + name, with ".sav" appended unless the name already
    // ends in exactly ".sav" (case-sensitive).
    static QString savePath(const QString &name);
    // Load and delete: folder + "/" + name, nothing appended.
    static QString loadPath(const QString &name);

    // How the list shows the file name bytes of a saved game: as UTF-8 when
    // they are; otherwise one character per byte (Latin-1) followed by
    // NotUtf8Mark. A control character (which would break the list's row or
    // not show at all) and a backslash are written out as "\x" and two
    // hexadecimal digits ("Zug\x0A2.sav"), and a UTF-8 name holding one is
    // followed by WrittenOutMark. So a marked name can never look like the
    // name of another file (a listed name without a mark ends in ".sav"), and
    // every listed name leads back to its own bytes.
    static constexpr const char *NotUtf8Mark = " (Latin-1)";
    static constexpr const char *WrittenOutMark = " (maskiert)";
    static QString shownName(const QByteArray &fileName);

    // The file a name stands for, as the bytes the file system knows it by:
    // a marked name the list shows stands for those bytes (exactly the form
    // shownName() gives them), any other name for its UTF-8 form by
    // savePath() or loadPath().
    static FileAccess::NativePath saveFile(const QString &name);
    static FileAccess::NativePath loadFile(const QString &name);
    // True when a regular file stands at path.
    static bool exists(const FileAccess::NativePath &path);

    // --- files ---------------------------------------------------------------
    // Replaces the file at path atomically with this game. On failure returns
    // false with the reason in problem; an old file at path stays whole.
    bool write(const FileAccess::NativePath &path, Problem *problem) const;
    bool write(const QString &path, Problem *problem) const { return write(FileAccess::NativePath{QFile::encodeName(path)}, problem); }

    // Reads and checks the file at path (see fromBytes). A missing,
    // unreadable or oversized file gives false and the reason.
    static bool read(const FileAccess::NativePath &path, SavedGame *game, Problem *problem);
    static bool read(const QString &path, SavedGame *game, Problem *problem)
    {
        return read(FileAccess::NativePath{QFile::encodeName(path)}, game, problem);
    }

    // The saved games in folder, as shownName() shows them: the regular files
    // matching "*.sav" (the pattern without regard to case, hidden names
    // included), sorted by name without regard to case.
    static QStringList list();

    // Deletes the file at path. False with the reason when it cannot be
    // deleted; the file is then left as it was.
    static bool remove(const FileAccess::NativePath &path, Problem *problem);
};
