#pragma once
// The board on the main window: the fields of the session's board,
// drawn with the cut tiles, and the player's hand on them. A field shows its
// tile unscaled from the top-left corner of its drawing area, clipped, on its
// background colour, with a single-line border during play and none on a
// solved board. Pressing on a field drags its tile: an outline follows the
// pointer, the empty field lights up white while a tile that may go there is
// over it, and the release drops the tile on the field under the pointer.
// A click (the left button pressed and released on one field, the pointer
// kept within the start-drag distance) asks for the click's move instead.
// The arrow keys ask for the move of the tile they push into the empty field.
//
// Moves made without dragging slide: the window hands the widget the steps
// the session made, and the tiles are drawn moving from their old fields to
// the new ones for SlideMillis. The game itself has changed already; input
// ends a slide at once. A won board fades the picture's last square into
// the empty field, so that the whole picture shows.
//
// The widget decides nothing about the game: it reads the session (never
// changes it) and answers with signals; the main window hands the moves to
// the session and tells the widget to draw again.
//
// The board is the largest square of whole fields that fits the widget, at
// its centre: the widget may be given any size. Everything is drawn in
// device pixels: the field edges, the borders (one logical pixel wide, as
// whole device pixels) and the tiles lie on whole device pixels at every
// size and scale, so that every field is square, a line between two tiles is
// one colour and the tiles of a solved board meet without a seam.
//
// Tiles cut at a field's device size are drawn unscaled. While the widget is
// being resized the tiles it has are scaled to the fields; once its size has
// settled (no change for SettleMillis), fieldSizeSettled asks the owner for
// tiles cut at the new size.
//
// The board takes the keyboard (Tab reaches it, a click gives it); while it
// has it, a focus frame is drawn around the board in the margin the widget
// keeps on every side, outside the fields. The arrow keys go on to the
// window, which hands them back to handleKey whoever has the keyboard. For
// a screen reader the board is a table of its fields (BoardAccessible).
#include "app/BoardAccessible.h"
#include "game/GameSession.h"
#include "game/Moves.h"

#include <QColor>
#include <QImage>
#include <QMargins>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <array>
#include <vector>

class QKeyEvent;

class BoardView : public QWidget
{
    Q_OBJECT
public:
    BoardView(const GameSession &session, QWidget *parent);

    // The tile pictures by tile number (Bilder); an empty picture, or none,
    // leaves the field without one. lastSquare, the picture's bottom-right
    // square, fills the empty last field of a won board.
    void setTiles(const std::vector<QImage> &bilder, const QImage &lastSquare);
    // "Nummern": each tile in play shows its number on its picture (a won
    // board shows the whole picture without them).
    void setNumbers(bool on);
    bool numbers() const { return m_numbers; }

    // --- the board's geometry ---------------------------------------------------
    // Fields along each side of the board: the session's.
    int side() const { return m_session.side(); }
    const Board &board() const { return m_session.board(); }
    // The margin the widget keeps around the board on every side, logical
    // pixels (whole device pixels at any scale), where the focus frame is
    // drawn: the widget is this much larger than the board on each side.
    static constexpr int FocusMarginPx = 4;
    static QMargins focusMargins() { return QMargins(FocusMarginPx, FocusMarginPx, FocusMarginPx, FocusMarginPx); }
    // The board's room in device pixels: the square of the widget's width
    // and height less the margins.
    int deviceSquare() const;
    // The board's side in device pixels: the largest multiple of side()
    // within that room.
    int boardDeviceSide() const { return deviceSquare() / side() * side(); }
    // A field's size in device pixels (every field has it), and what tiles
    // are cut at to be drawn unscaled.
    QSize fieldDeviceSize() const;
    // Field p's rectangle in the widget, in device pixels: edges at whole
    // device pixels, neighbours sharing their edge.
    QRect deviceField(int p) const;
    // The same in logical pixels, rounded (for pointing at a field).
    QRect fieldRect(int p) const;
    // How long the widget's size stays unchanged before it counts as settled.
    static constexpr int SettleMillis = 200;

    // --- what each field shows (picBox) ---------------------------------------
    // The tile picture field p shows, or an empty picture.
    QImage picture(int p) const;
    QString Tag(int p) const { return m_session.board().tagText(p); }
    QColor backColor(int p) const { return p == m_lit ? dropTarget() : buttonFace(); }
    static QColor buttonFace();              // the normal background, darker than the window
    static QColor dropTarget() { return Qt::white; }
    // A single-line border during play, none on a finished board.
    bool hasBorders() const { return !m_session.fertig(); }

    // --- the hint mark --------------------------------------------------------
    // Marks field for msecs; then hintTimeUp is emitted. A mark of -1, or a
    // new mark, ends the one before.
    void showHintMark(int field, int msecs);
    int hintMark() const { return m_hintMark; }

    // --- slides and the whole picture -------------------------------------------
    static constexpr int SlideMillis = 120;
    static constexpr int FadeMillis = 300;
    // The tiles of steps, already moved on the board, are drawn sliding from
    // each step's old field to its new one. A slide still running ends first.
    void slide(const Moves::Action &steps);
    // The slide running ends: every tile stands on its field.
    void finishSlide();
    bool sliding() const { return m_slideAnim.state() != QAbstractAnimation::Stopped; }
    QVariantAnimation *slideAnimation() { return &m_slideAnim; }
    // A finished board shows the whole picture: the last square stands in
    // the empty last field (the board itself is unchanged: that field stays
    // empty). At the winning move it fades in.
    void fadeInWholePicture();
    void finishFade() { m_fadeAnim.setCurrentTime(FadeMillis); }

    // --- drag and keys ----------------------------------------------------------
    // The dragged tile goes back: nothing is dropped.
    void cancelDrag();
    // Esc ends a drag; an arrow key asks for the move of the tile beside the
    // empty field. Returns whether the key was one of these. (The window,
    // which has the keyboard, hands its keys here.)
    bool handleKey(QKeyEvent *event);

    // --- for a screen reader ------------------------------------------------------
    // The session has changed: drawn again, and what changed told to
    // assistive technology.
    void boardChanged();
    const BoardAnnouncer &announcer() const { return m_announcer; }

signals:
    // While the tile of field source is dragged: the pointer entered, left or
    // moved over field.
    void fieldHovered(int source, int field);
    // A mouse button went down on the board (a drag or a click may follow).
    void pressed();
    // The tile of field source was dropped on field target.
    void moveRequested(int source, int target);
    // An arrow key pushes the tile of field source into the empty field target.
    void slideRequested(int source, int target);
    // A click on field.
    void clickRequested(int field);
    // The time of the hint mark is up.
    void hintTimeUp();
    // The board has been painted with its tiles for the first time.
    void firstPainted();
    // The fields' device size has changed (or tiles of another size were
    // given) and then stayed for SettleMillis, and the tiles at hand are not
    // of that size: tiles cut at deviceSide would be drawn unscaled.
    void fieldSizeSettled(QSize deviceSide);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    // The field a point of the board lies on, or -1.
    int fieldAt(const QPoint &pos) const;
    // The board's top-left device pixel in the widget, and its side.
    QRect deviceBoard() const;
    // The k-th field edge (0..side()) from the board's first device pixel.
    int edge(int k) const;
    // There are tiles, cut for another size than the fields have.
    bool tilesDiffer() const;
    // One field drawn into its device rectangle at origin (the place a tile
    // in motion would be drawn at as well).
    // tile is the tile's number drawn on its picture, when numbers are shown.
    void paintField(QPainter &painter, const QImage &tile, const QColor &back, const QRect &device, int border,
                    int number = -1) const;
    // The picture of tile t, or none.
    QImage tilePicture(int t) const;
    void hover(int field);
    void endDrag();

    const GameSession &m_session;
    std::vector<QImage> m_bilder;
    bool m_numbers = false;
    int m_lit = -1;                          // the empty field lit as drop target
    int m_hintMark = -1;
    QTimer m_hintTimer;
    bool m_painted = false;
    // the fields' device size as last painted, and the wait for it to settle
    QSize m_paintedField;
    QTimer m_settleTimer;

    // the slide running: each tile from its old field to its new one
    struct Sliding { Moves::Step step; int tile; };
    std::vector<Sliding> m_sliding;
    QVariantAnimation m_slideAnim;
    // the picture's last square, shown on a finished board
    QImage m_whole;
    QVariantAnimation m_fadeAnim;

    // the drag in progress
    int m_dragSource = -1;
    int m_dragOver = -1;
    QPoint m_grabOffset;                     // pointer within the dragged field
    QPoint m_pressPos;                       // where the button went down
    bool m_leftPress = false;                // it was the left button: may be a click
    QPointer<QWidget> m_outline;             // follows the pointer, over the whole window

    BoardAnnouncer m_announcer;
};
