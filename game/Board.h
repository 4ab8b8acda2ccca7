#pragma once
// The state of the one game on the board: side x side fields (4 x 4 as the
// game has always had it), numbered row by row from the top left. Each field
// shows a tile picture or none and carries a tile number (its Tag: the
// number, or "leer" for a field marked empty); the move counter, the finished
// flag and the layout array ZArray (one element more than there are fields)
// through which new and loaded games are placed.
//
// The board widget of the main window draws this model; only the game
// session changes it.
#include "game/Tiles.h"

#include <QString>
#include <QVector>
#include <array>
#include <optional>

class Board
{
public:
    static constexpr int NoPicture = -1;     // picture() of a field without picture
    static constexpr qint16 MaxZuege = 32767;

    explicit Board(int side = Tiles::DocumentedSide);

    int side() const { return m_side; }
    int fieldCount() const { return m_side * m_side; }   // FeldAnz
    // The last field, bottom right: the empty field of a new deal.
    int lastField() const { return fieldCount() - 1; }

    // --- fields --------------------------------------------------------------
    // The tile whose picture field p shows, or NoPicture. The last tile's
    // picture (the empty field's) is always empty, so a field given it has
    // no picture.
    int picture(int p) const { return m_picture[p]; }
    bool hasPicture(int p) const { return m_picture[p] != NoPicture; }
    // The field's tile number, or Tiles::Leer for a field marked empty.
    qint16 tile(int p) const { return m_tile[p]; }
    // The Tag text shown for the field: the number, or "leer".
    QString tagText(int p) const;
    void clearPictures();                    // every field: no picture, numbers kept

    // --- layout --------------------------------------------------------------
    // ZArray_setzen: ZArray becomes a copy of za, with the bounds of za.
    void ZArray_setzen(const QVector<qint16> &za) { m_zArray = za; }
    const QVector<qint16> &ZArray() const { return m_zArray; }

    // Every field carries its own number, as cutting the picture leaves them.
    void tagAsCut();

    // The two ways a layout is placed. A new deal fills every field but the
    // last and then takes the last field's picture away, its number kept
    // from the cut; a loaded game fills every field.
    enum class Placement { NewDeal, LoadedGame };
    // The placement's classic arguments (X, y): fields 0..FeldAnz-X are
    // filled, y == 1 empties the last field. The one place where the numbers
    // are named.
    struct PlacementArgs { int X; int y; };
    static constexpr PlacementArgs args(Placement how)
    {
        return how == Placement::NewDeal ? PlacementArgs{2, 1} : PlacementArgs{1, 2};
    }
    // The fields filled take the tile that ZArray names (value 100: no
    // picture, marked empty; t: tile t's picture and number). A layout that
    // is too short or holds a value outside 0..FeldAnz other than 100 places
    // nothing and returns false.
    bool place(Placement how);

    // --- moves ---------------------------------------------------------------
    // Drag-over, entering field index with the tile of field source: true when
    // field index is the empty field and source is next to it (it lights up).
    bool lightsUp(int source, int index) const;

    // Position display while source is dragged: its number plus one; nothing
    // for a field marked empty.
    std::optional<QString> positionText(int source) const;

    struct DropResult {
        bool ignored = false;  // finished game, or dropped onto the same picture
        bool counted = false;  // zuege was raised
        bool moved = false;    // the tile went onto the empty field
        bool won = false;      // this drop solved the board
    };
    // Drop of the tile of field source onto field index, by the rules of the
    // game: a drop on the empty field always counts, and moves the tile only
    // when it is adjacent; then every field without a picture is marked
    // empty and the board tested.
    DropResult drop(int source, int index);

    // Every field but the last carries its own number; the last one is not
    // looked at.
    bool isSolved() const;

    // The field without a picture (the last one, should there be several), or -1.
    int emptyField() const;

    // --- counters and flags -------------------------------------------------
    qint16 zuege() const { return m_zuege; }
    void setZuege(qint16 z) { m_zuege = z; }
    bool fertig() const { return m_fertig; }
    void setFertig(bool f) { m_fertig = f; }

    // The layout a saved game stores: each field's number, Leer for a field
    // marked empty.
    QVector<qint16> layout() const { return QVector<qint16>(m_tile.begin(), m_tile.begin() + fieldCount()); }

private:
    int m_side = Tiles::DocumentedSide;
    std::array<int, Tiles::MaxFields> m_picture;
    std::array<qint16, Tiles::MaxFields> m_tile;
    QVector<qint16> m_zArray;
    qint16 m_zuege = 0;
    bool m_fertig = false;
};
