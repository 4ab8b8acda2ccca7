#pragma once
// A saved game: a text file in the folder Saves of the program folder,
// Windows-1252, CR LF after every line (the last one included). A game on a
// board of N x N fields (F = N * N of them) has F + 4 lines, 20 on the 4 x 4
// board:
//
//   lines 1..F   field 0..F-1: the tile number on the field, 100 for the empty
//                field ("leer"); a game saved before its first drop has F-1
//                there (15 on the 4 x 4 board)
//   line F+1     the move counter
//   line F+2     preview shown: "1" on, "0" off
//   line F+3     position display shown: "1" on, "0" off
//   line F+4     the picture reference, verbatim
//   line F+5     "1" when the game was helped (a hint or the solution shown);
//                absent otherwise, so that a 4 x 4 game without help has
//                exactly the 20 lines and a reader of 20 lines reads every
//                4 x 4 file unchanged
//
// Numbers are plain decimal text. The picture line is written and read by the
// rule of p.cxa (PictureReference): Windows-1252, or UTF-8 for a path
// Windows-1252 cannot hold, read back as the path that was written.
//
// The reader takes the board's size from the number of lines (13 or 14, 20
// or 21, 29 or 30, 40 or 41) and checks the whole file before anything is
// handed on: another number of lines, a line before the picture that is not a
// whole number in the 16-bit range, field lines that are not a board (every
// tile once and one empty field, 100 or F-1), or a picture line longer than a
// path can be is not a saved game, and nothing of it is used.
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
            LineCount,           // `line` lines: the count of no board size
            NotANumber,          // line `line` is no 16-bit whole number
            NotABoard,           // the field lines 1..`line` are no board
            PictureLineTooLong,  // the picture line `line` is longer than a path can be
            Unreadable,          // missing, not a regular file, or not readable
            TooLarge,            // larger than any saved game is
            CannotWrite,         // the file at `subject` could not be replaced
            CannotDelete,        // the file shown as `subject` could not be deleted
        };
        Kind kind = Kind::None;
        int line = 0;
        QString subject;         // the name, path or shown name concerned
        explicit operator bool() const { return kind != Kind::None; }
    };

    // The lines of a game on a board of side x side fields, without the
    // line that marks a helped game (20 on the 4 x 4 board).
    static constexpr int lineCount(int side) { return Tiles::fieldCount(side) + 4; }
    static constexpr const char *HintLine = "1";
    static constexpr const char *Extension = ".sav";
    static constexpr const char *FolderName = "Saves";

    SavedGame() = default;
    explicit SavedGame(const GameState &state) : GameState(state) {}

    // --- file content --------------------------------------------------------
    // The lines as bytes. fields must hold the values of a board (side x side
    // for a side in range).
    QByteArray toBytes() const;

    // Parses and checks file content. On success fills game and returns true;
    // otherwise returns false with the reason in problem and leaves game as
    // it was.
    static bool fromBytes(const QByteArray &content, SavedGame *game, Problem *problem);

    // A line before the picture: a whole number in the 16-bit range (blanks
    // around it and a sign allowed). Returns false for anything else.
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

    // The board's side of the saved game at path, for the list to show
    // beside its name: 0 when the file is not a saved game (read() refuses
    // it).
    static int sideOf(const FileAccess::NativePath &path);

    // The saved games in folder, as shownName() shows them: the regular files
    // matching "*.sav" (the pattern without regard to case, hidden names
    // included), sorted by name without regard to case.
    static QStringList list();

    // Deletes the file at path. False with the reason when it cannot be
    // deleted; the file is then left as it was.
    static bool remove(const FileAccess::NativePath &path, Problem *problem);
};
