#pragma once
// The board as assistive technology (a screen reader) sees it: a table of
// side x side cells, row by row from the top left, and nothing else in it.
// Each cell is named by its field and what lies on it, both counted from 1
// as the position display counts ("Feld 7: Teil 3", "Feld 16: leer"); the
// table itself is named "Spielfeld".
//
// A change of the board is told cell by cell: every cell whose content
// changed reports its new name. While the board has the keyboard one cell
// is the focused one: after a move the field the move filled next to the
// new empty field (the tile an arrow key pushed, the clicked tile), so that a
// screen reader reads that cell after each move; on a new board (a new deal,
// a loaded game) the empty field.
#include <QCoreApplication>
#include <QString>

#include <vector>

class Board;
class BoardView;

namespace BoardAccessible {

// Makes the board widget's interface known to Qt (once; later calls do nothing).
void install();

// The name of field p: its number from 1, and the tile on it from 1, or
// "leer" for a field without a tile.
QString cellName(const Board &board, int p);

} // namespace BoardAccessible

// What the board showed when it was last told, and the cell that has the
// focus within it. The board widget owns one and calls boardChanged() after
// every change of the session.
class BoardAnnouncer
{
public:
    // Compares the board with what was last told: each cell whose content
    // changed reports its name, a move sets the focused cell, and a board
    // of another size is reported as a new table.
    void boardChanged(BoardView *view);
    // The focused cell while the board has the keyboard, -1 before the board
    // has been told once.
    int focusCell() const { return m_focus; }
    // The board has taken the keyboard: its focused cell is reported.
    void focusTaken(BoardView *view) const;

private:
    std::vector<int> m_shown;                // each field's tile as last told, -1 for none
    int m_focus = -1;
};
