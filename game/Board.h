#pragma once
// The state of the one game on the board: sixteen fields in a 4 x 4 grid,
// numbered 0..15 row by row from the top left, each showing a tile picture or
// none and carrying a Tag text; the move counter, the finished flag and the
// layout array ZArray through which new and loaded games are placed.
//
// The main window mirrors this model into its field boxes (picBox).
#include <QString>
#include <QVector>
#include <array>
#include <optional>

class Board
{
public:
    static constexpr int FeldAnz = 16;       // fields on the board
    static constexpr qint16 Leer = 100;      // layout value of the empty field
    static constexpr int NoPicture = -1;     // picture() of a field without picture
    static constexpr qint16 MaxZuege = 32767;
    static const QString LeerTag;            // "leer"

    Board();

    // --- fields --------------------------------------------------------------
    // The tile whose picture field p shows (0..14), or NoPicture. Tile 15's
    // picture is always empty, so a field given tile 15 has no picture.
    int picture(int p) const { return m_picture[p]; }
    bool hasPicture(int p) const { return m_picture[p] != NoPicture; }
    const QString &tag(int p) const { return m_tag[p]; }
    void setTag(int p, const QString &tag) { m_tag[p] = tag; }
    void clearPictures();                    // every field: no picture, tags kept

    // --- layout --------------------------------------------------------------
    // ZArray_setzen: ZArray becomes a copy of za, with the bounds of za.
    void ZArray_setzen(const QVector<qint16> &za) { m_zArray = za; }
    const QVector<qint16> &ZArray() const { return m_zArray; }

    // Tags "0".."15" on fields 0..15, as cutting the picture leaves them.
    void tagAsCut();

    // The placement of Bilder_Laden(X, y): fields 0..16-X take the tile that
    // ZArray names (value 100: no picture, tag "leer"; t: tile t's picture, tag
    // t); y == 1 then empties field 15's picture and keeps its tag. A layout
    // that is too short or holds a value outside 0..16 other than 100 places
    // nothing and returns false.
    bool place(int X, int y);

    // --- moves ---------------------------------------------------------------
    // The move rule: the fields a tile on field s may move to (its orthogonal
    // neighbours, no wrap-around). Empty for s outside 0..15.
    static QVector<int> moveTargets(int s);
    static bool isMoveAllowed(int s, int t);

    // Drag-over, entering field index with the tile of field source: true when
    // field index is the empty field and source is next to it (it lights up).
    bool lightsUp(int source, int index) const;

    // Position display while source is dragged: its Tag read as a number, plus
    // one; nothing when the Tag is not a number ("leer").
    std::optional<QString> positionText(int source) const;

    struct DropResult {
        bool ignored = false;  // finished game, or dropped onto the same picture
        bool counted = false;  // zuege was raised
        bool moved = false;    // the tile went onto the empty field
        bool won = false;      // this drop solved the board
    };
    // Drop of the tile of field source onto field index, by the rules of the
    // game: a drop on the empty field always counts, and moves the tile only
    // when it is adjacent; then the empty field is tagged and the board tested.
    DropResult drop(int source, int index);

    // Every field without a picture gets the Tag "leer".
    void tagEmptyFields();

    // Fields 0..14 carry the Tags 0..14 (read as numbers); field 15 is not looked at.
    bool isSolved() const;

    // --- counters and flags -------------------------------------------------
    qint16 zuege() const { return m_zuege; }
    void setZuege(qint16 z) { m_zuege = z; }
    void countMove();                        // +1, held at 32767
    bool fertig() const { return m_fertig; }
    void setFertig(bool f) { m_fertig = f; }

    // The layout a saved game stores: each field's Tag as a number, "leer" as
    // 100 (a Tag that is not a number gives 0).
    QVector<qint16> layoutFromTags() const;

    // True when sliding moves can bring the sixteen fields (tile numbers 0..14
    // and one empty field, given as 100 or 15) home with the empty field at 15.
    // False for anything that is not such a board.
    static bool isSolvable(const QVector<qint16> &fields);

private:
    std::array<int, FeldAnz> m_picture;
    std::array<QString, FeldAnz> m_tag;
    QVector<qint16> m_zArray;
    qint16 m_zuege = 0;
    bool m_fertig = false;
};
