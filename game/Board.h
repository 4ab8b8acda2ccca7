#pragma once
// The state of the one game on the board: sixteen fields in a 4 x 4 grid,
// numbered 0..15 row by row from the top left. Each field shows a tile
// picture or none and carries a tile number (its Tag: the number, or "leer"
// for a field marked empty); the move counter, the finished flag and the
// layout array ZArray through which new and loaded games are placed.
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
    static constexpr int FeldAnz = Tiles::FeldAnz;
    static constexpr int NoPicture = -1;     // picture() of a field without picture
    static constexpr qint16 MaxZuege = 32767;

    Board();

    // --- fields --------------------------------------------------------------
    // The tile whose picture field p shows (0..14), or NoPicture. Tile 15's
    // picture is always empty, so a field given tile 15 has no picture.
    int picture(int p) const { return m_picture[p]; }
    bool hasPicture(int p) const { return m_picture[p] != NoPicture; }
    // The field's tile number: 0..15, or Tiles::Leer for a field marked empty.
    qint16 tile(int p) const { return m_tile[p]; }
    // The Tag text shown for the field: the number, or "leer".
    QString tagText(int p) const;
    void clearPictures();                    // every field: no picture, numbers kept

    // --- layout --------------------------------------------------------------
    // ZArray_setzen: ZArray becomes a copy of za, with the bounds of za.
    void ZArray_setzen(const QVector<qint16> &za) { m_zArray = za; }
    const QVector<qint16> &ZArray() const { return m_zArray; }

    // Numbers 0..15 on fields 0..15, as cutting the picture leaves them.
    void tagAsCut();

    // The two ways a layout is placed. A new deal fills fields 0..14 and then
    // takes field 15's picture away, its number kept from the cut; a loaded
    // game fills all sixteen fields.
    enum class Placement { NewDeal, LoadedGame };
    // The placement's classic arguments (X, y): fields 0..16-X are filled,
    // y == 1 empties field 15. The one place where the numbers are named.
    struct PlacementArgs { int X; int y; };
    static constexpr PlacementArgs args(Placement how)
    {
        return how == Placement::NewDeal ? PlacementArgs{2, 1} : PlacementArgs{1, 2};
    }
    // The fields filled take the tile that ZArray names (value 100: no
    // picture, marked empty; t: tile t's picture and number). A layout that
    // is too short or holds a value outside 0..16 other than 100 places
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

    // Fields 0..14 carry the numbers 0..14; field 15 is not looked at.
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
    QVector<qint16> layout() const { return QVector<qint16>(m_tile.begin(), m_tile.end()); }

private:
    std::array<int, FeldAnz> m_picture;
    std::array<qint16, FeldAnz> m_tile;
    QVector<qint16> m_zArray;
    qint16 m_zuege = 0;
    bool m_fertig = false;
};
