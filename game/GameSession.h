#pragma once
// One game as the player plays it, without any window: the board and its
// counters, the two switches, the picture paths, the hint bookkeeping and
// the random source that deals. The main window holds one session, shows it
// and hands it the player's actions; every rule of play is decided here.
#include "game/Board.h"
#include "game/Shuffle.h"

#include <QString>
#include <QVector>
#include <optional>

// What a saved game holds.
struct GameState {
    QVector<qint16> fields;   // 16 values: tile number per field, Leer = empty
    qint16 zuege = 0;         // the move counter
    bool imgvis = false;      // preview shown
    bool posAnz = false;      // position display shown
    QString bild;             // the picture the board was cut from
    bool hintUsed = false;    // a hint was shown in this game
};

class GameSession
{
public:
    GameSession();                           // dealt from a clock-seeded generator
    explicit GameSession(RandomDraw draw);   // dealt from draw (tests)
    void setRandomDraw(RandomDraw draw) { m_draw = std::move(draw); }

    Board &board() { return m_board; }
    const Board &board() const { return m_board; }
    qint16 zuege() const { return m_board.zuege(); }
    bool fertig() const { return m_board.fertig(); }

    bool imgvis = false;                     // preview shown
    bool PosAnz = false;                     // position display shown
    QString Bild_org;                        // the picture reference of p.cxa
    QString Bild_aktuell;                    // the path the board's picture was cut from

    // --- dealing ------------------------------------------------------------
    // A new deal: a fresh layout in ZArray, the counter at 0, not finished,
    // no hint used.
    void newDeal();
    // The tiles have been placed on the board: a new position for the
    // solver. Returns the number of this deal.
    quint64 boardPlaced();
    quint64 dealNumber() const { return m_dealNumber; }

    // --- moves --------------------------------------------------------------
    // A drop of the tile of field source onto field index (Board::drop); a
    // move forgets the hint shown for the old position.
    Board::DropResult drop(int source, int index);

    enum class Arrow { Left, Right, Up, Down };
    // The field whose tile an arrow key moves: the neighbour of the empty
    // field on the side opposite to the arrow, which slides in the arrow's
    // direction. Nothing when there is no such field or the game is over.
    std::optional<int> arrowSource(Arrow arrow) const;

    // --- the hint -----------------------------------------------------------
    // Identifies the position on the board; a hint computed for another
    // position is not shown.
    quint64 positionNumber() const { return m_positionNumber; }
    // The hint marks field: from now on the game does not enter the top ten.
    void hintShown(int field);
    // The mark is taken off again (time is up).
    void hintHidden() { m_hintField = -1; }
    int hintField() const { return m_hintField; }
    bool hintUsed() const { return m_hintUsed; }

    // --- the end of a game ----------------------------------------------------
    // What a won game brings to the top ten, taken at the winning drop.
    struct Win {
        qint16 zuege = 0;
        bool mayEnterTopTen = false;
    };
    Win win() const { return {zuege(), !m_hintUsed}; }

    // --- saved games --------------------------------------------------------
    GameState savedState() const;
    // The counter, the layout (ZArray, to be placed by the window) and the
    // hint flag of a loaded game; the game is played on, even after a win.
    void applyLoaded(const GameState &state);

private:
    Board m_board;
    RandomSource m_random;
    RandomDraw m_draw;
    quint64 m_dealNumber = 0;
    quint64 m_positionNumber = 0;
    bool m_hintUsed = false;
    int m_hintField = -1;
};
