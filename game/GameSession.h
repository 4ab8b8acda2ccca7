#pragma once
// One game as the player plays it, without any window: the board and its
// counters, the two switches, the picture paths, the hint bookkeeping and
// the random source that deals. The main window holds one session, shows it
// and hands it the player's actions; every rule of play is decided here, and
// nothing else changes the game: the board is handed out read-only.
#include "game/Board.h"
#include "game/Moves.h"
#include "game/Shuffle.h"

#include <QString>
#include <QVector>
#include <optional>
#include <vector>

// What a saved game holds.
struct GameState {
    QVector<qint16> fields;   // side x side values: tile number per field, Leer = empty
    qint16 zuege = 0;         // the move counter
    bool imgvis = false;      // preview shown
    bool posAnz = false;      // position display shown
    QString bild;             // the picture the board was cut from
    bool hintUsed = false;    // the game was helped (a hint taken or the solution shown)
    // The board's side, from the number of fields: 0 when it is no board size.
    int side() const
    {
        for (int s = Tiles::MinSide; s <= Tiles::MaxSide; ++s)
            if (fields.size() == Tiles::fieldCount(s))
                return s;
        return 0;
    }
};

class GameSession
{
public:
    // Dealt from a clock-seeded generator, on a board of side x side fields.
    explicit GameSession(int side = Tiles::DocumentedSide);

    const Board &board() const { return m_board; }
    int side() const { return m_board.side(); }
    // Another board size: an empty board of that side, to be dealt or loaded
    // and placed; nothing for a side out of range.
    void setSide(int side);
    qint16 zuege() const { return m_board.zuege(); }
    bool fertig() const { return m_board.fertig(); }

    // --- the switches and the picture paths -----------------------------------
    bool imgvis() const { return m_imgvis; }             // preview shown
    void setImgvis(bool on) { m_imgvis = on; }
    bool PosAnz() const { return m_posAnz; }             // position display shown
    void setPosAnz(bool on) { m_posAnz = on; }
    const QString &Bild_org() const { return m_bildOrg; }          // the picture reference of p.cxa
    void setBild_org(const QString &path) { m_bildOrg = path; }
    const QString &Bild_aktuell() const { return m_bildAktuell; }  // the path the board's picture is cut from
    void setBild_aktuell(const QString &path) { m_bildAktuell = path; }

    // --- dealing and placing ----------------------------------------------------
    // A new deal: a fresh layout in ZArray, the counter at 0, not finished,
    // no help had.
    void newDeal();
    // The layout to be placed next (ZArray_setzen).
    void setLayout(const QVector<qint16> &za) { m_board.ZArray_setzen(za); }
    // Every field loses its picture (the tiles are about to be cut again).
    void clearPictures() { m_board.clearPictures(); }
    // The picture has been cut: every field carries its own number.
    void tilesCut() { m_board.tagAsCut(); }
    // Places ZArray on the board (Board::place). A placed board is a new
    // position: the hint mark goes, the deal gets a new number, the history
    // of actions begins afresh and a solution being played ends.
    bool place(Board::Placement how);
    quint64 dealNumber() const { return m_dealNumber; }
    // Identifies the position on the board: it changes with every move and
    // every placement, so that an answer computed for one position is never
    // taken for another.
    quint64 position() const { return m_positionNumber; }
    // The board is being made (its picture decoded and cut): until the next
    // place() the session refuses moves, saves and hints.
    void boardPending() { m_placed = false; }
    bool placed() const { return m_placed; }

    // --- moves --------------------------------------------------------------
    // A drop of the tile of field source onto field index (Board::drop); a
    // move forgets the hint shown for the old position. A drop that moved the
    // tile is an action of the history.
    Board::DropResult drop(int source, int index);

    // What an action other than a drop did: the tiles it moved, in order
    // (each one a counted move), and whether the last of them won the game.
    struct Played {
        Moves::Action steps;
        bool won = false;
    };
    // A click on field: the tiles from the empty field's neighbour up to the
    // clicked one, in its row or column, each dropped one field toward the
    // empty field, nearest first, counted as a drop is. Nothing on a finished
    // board, on the empty field or off its row and column.
    Played click(int field);
    // Takes the last action back: its tiles move back, last first, each one
    // counted. Only while the game goes on and there is an action to take.
    bool canTakeBack() const { return !m_board.fertig() && !m_history.isEmpty(); }
    Played takeBack();

    enum class Arrow { Left, Right, Up, Down };
    // The field whose tile an arrow key moves: the neighbour of the empty
    // field on the side opposite to the arrow, which slides in the arrow's
    // direction. Nothing when there is no such field or the game is over.
    std::optional<int> arrowSource(Arrow arrow) const;

    // --- the hint -----------------------------------------------------------
    // Whether a hint may be asked for now, and for which position.
    struct HintQuestion {
        enum class Answer { Ask, Finished, Unsolvable } answer = Answer::Finished;
        quint64 position = 0;                // identifies the position asked about
        Tiles::Fields fields{};              // the position, for the solver
    };
    HintQuestion askHint() const;
    // The solver's answer for position: the first tile to move, or nothing.
    // Taken unless it is stale (a move was made or a new board placed since
    // it was asked, or the game is over); once taken the field is marked and
    // the game does not enter the top ten. Returns whether it was taken.
    bool hintAnswered(quint64 position, std::optional<int> field);
    // How long the mark stays on the board, and its end.
    static constexpr int HintMarkMillis = 1200;
    void hintTimeUp() { m_hintField = -1; }
    int hintField() const { return m_hintField; }   // the marked field, or -1

    // --- the solution played on the board -------------------------------------
    // Asked for like a hint (askHint); the solver's answer for position: the
    // fields whose tile moves into the empty field, in order. Taken unless it
    // is stale, as a hint is; once taken the game counts as helped (no top
    // ten) and its moves are played one at a time by playSolutionStep.
    bool solutionAnswered(quint64 position, const std::vector<int> &moves);
    bool solutionPending() const { return m_solutionNext < m_solution.size(); }
    // The next move of the solution, counted as a drop. Nothing, and the
    // solution ends, once any other move or placement changed the board.
    Played playSolutionStep();
    void stopSolution() { m_solution.clear(), m_solutionNext = 0; }

    // --- help ----------------------------------------------------------------
    // The help a game has had, as flags. A saved game records only that it
    // was helped, not how (HelpSaved). Any help keeps it out of the top ten.
    enum Help { HintTaken = 1, SolutionShown = 2, HelpSaved = 4 };

    // --- the end of a game ----------------------------------------------------
    // What a won game brings to the top ten, taken at the winning drop.
    struct Win {
        qint16 zuege = 0;
        bool mayEnterTopTen = false;
        int help = 0;   // Help flags
        int side = Tiles::DocumentedSide;   // the board's side: the top ten the result goes to
    };
    Win win() const { return {zuege(), m_help == 0, m_help, side()}; }

    // --- saved games --------------------------------------------------------
    GameState savedState() const;
    // The counter, the layout (ZArray, to be placed) and the help of a
    // loaded game; the game is played on, even after a win. The switches and
    // the picture are set by the window, which checks the picture first.
    void applyLoaded(const GameState &state);

    // --- a whole game, kept to be brought back -----------------------------------
    // Everything a game is: the board with its pictures, counter and flags,
    // the history of actions, the switches, the picture paths, the help had.
    struct Snapshot {
        Board board;
        Moves::History history;
        bool imgvis = false, posAnz = false;
        int help = 0;
        QString bildOrg, bildAktuell;
    };
    Snapshot snapshot() const;
    // The game of a snapshot again, placed as it was: a new position and deal.
    void restore(const Snapshot &s);

private:
    void forgetPosition();
    // One tile of an action moved (a counted drop).
    bool step(const Moves::Step &s, Played &played);

    Board m_board;
    RandomSource m_random;
    RandomDraw m_draw;
    bool m_imgvis = false;
    bool m_posAnz = false;
    QString m_bildOrg;
    QString m_bildAktuell;
    quint64 m_dealNumber = 0;
    quint64 m_positionNumber = 0;
    int m_help = 0;                          // Help flags
    int m_hintField = -1;
    bool m_placed = false;
    Moves::History m_history;
    std::vector<int> m_solution;
    std::size_t m_solutionNext = 0;
    quint64 m_solutionPosition = 0;          // the position the next solution move belongs to
};
