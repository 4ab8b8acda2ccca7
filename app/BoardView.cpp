#include "app/BoardView.h"

#include "pictures/TileCutter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include <cmath>

namespace {

constexpr int HintFramePx = 5;                                // the hint mark's frame, logical pixels
constexpr int FocusFramePx = 2;                               // the focus frame, one pixel off the board

// A frame of width w drawn inside r as four filled strips: whole device
// pixels, without the half-pixel spread of a pen.
void fillFrame(QPainter &p, const QRect &r, int w, const QColor &color)
{
    p.fillRect(QRect(r.left(), r.top(), r.width(), w), color);
    p.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), color);
    p.fillRect(QRect(r.left(), r.top() + w, w, r.height() - 2 * w), color);
    p.fillRect(QRect(r.right() - w + 1, r.top() + w, w, r.height() - 2 * w), color);
}

// What follows the pointer while a tile is dragged: an unfilled outline of
// the field, so that the field under it keeps its colour and a lit drop
// target shows white. It lies over the whole client area, not only the board.
class DragOutline : public QWidget
{
public:
    explicit DragOutline(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(QPen(QColor(40, 40, 40), 2, Qt::DashLine));
        p.drawRect(QRectF(1, 1, width() - 2, height() - 2));
    }
};

} // namespace

BoardView::BoardView(const GameSession &session, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    BoardAccessible::install();
    for (QVariantAnimation *a : {&m_slideAnim, &m_fadeAnim}) {
        a->setStartValue(0.0);
        a->setEndValue(1.0);
        connect(a, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
        connect(a, &QAbstractAnimation::finished, this, qOverload<>(&QWidget::update));
    }
    m_slideAnim.setDuration(SlideMillis);
    m_fadeAnim.setDuration(FadeMillis);
    m_hintTimer.setSingleShot(true);
    connect(&m_hintTimer, &QTimer::timeout, this, [this] {
        showHintMark(-1, 0);
        emit hintTimeUp();
    });
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(SettleMillis);
    connect(&m_settleTimer, &QTimer::timeout, this, [this] {
        if (tilesDiffer())
            emit fieldSizeSettled(fieldDeviceSize());
    });
}

QColor BoardView::buttonFace()
{
    // A clearly darker shade of the window colour, so that the white of a
    // lit drop target stands out at a glance.
    return QApplication::palette().color(QPalette::Window).darker(135);
}

void BoardView::setNumbers(bool on)
{
    if (on != m_numbers)
        m_numbers = on, update();
}

void BoardView::setTiles(const std::vector<QImage> &bilder, const QImage &lastSquare)
{
    m_bilder = bilder;
    m_whole = lastSquare;
    finishSlide();
    update();
    // Tiles cut for a size the fields no longer have are asked for anew.
    if (tilesDiffer())
        m_settleTimer.start();
}

bool BoardView::tilesDiffer() const
{
    // The first tile at hand tells the size they were cut at.
    for (const QImage &tile : m_bilder)
        if (!tile.isNull())
            return tile.size() != fieldDeviceSize();
    return false;
}

QRect BoardView::deviceBoard() const
{
    // The device pixels the widget covers, whole ones only; the board at
    // their centre.
    const qreal dpr = devicePixelRatioF();
    const int w = int(std::floor(width() * dpr)), h = int(std::floor(height() * dpr));
    const int board = boardDeviceSide();
    return QRect((w - board) / 2, (h - board) / 2, board, board);
}

int BoardView::deviceSquare() const
{
    const qreal dpr = devicePixelRatioF();
    const int w = int(std::floor(width() * dpr)), h = int(std::floor(height() * dpr));
    return std::max(0, std::min(w, h) - 2 * qRound(FocusMarginPx * dpr));
}

QSize BoardView::fieldDeviceSize() const
{
    const int field = boardDeviceSide() / side();
    return QSize(field, field);
}

int BoardView::edge(int k) const
{
    return qRound(k * qreal(boardDeviceSide()) / side());
}

QRect BoardView::deviceField(int p) const
{
    const QPoint origin = deviceBoard().topLeft();
    const int c = p % side(), r = p / side();
    return QRect(origin + QPoint(edge(c), edge(r)), origin + QPoint(edge(c + 1) - 1, edge(r + 1) - 1));
}

QRect BoardView::fieldRect(int p) const
{
    const QRect d = deviceField(p);
    const qreal dpr = devicePixelRatioF();
    return QRectF(QPointF(d.topLeft()) / dpr, QSizeF(d.size()) / dpr).toRect();
}

QImage BoardView::tilePicture(int t) const
{
    // Tiles of another board size (a board changing its size) are none.
    return t >= 0 && t < int(m_bilder.size()) ? m_bilder[std::size_t(t)] : QImage();
}

QImage BoardView::picture(int p) const
{
    return tilePicture(p >= 0 && p < m_session.board().fieldCount() ? m_session.board().picture(p) : Board::NoPicture);
}

int BoardView::fieldAt(const QPoint &pos) const
{
    // The device pixel under the point decides, as it is drawn.
    const qreal dpr = devicePixelRatioF();
    const QPoint d(int(std::floor((pos.x() + 0.5) * dpr)), int(std::floor((pos.y() + 0.5) * dpr)));
    for (int p = 0; p < m_session.board().fieldCount(); ++p)
        if (deviceField(p).contains(d))
            return p;
    return -1;
}

void BoardView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const qreal dpr = devicePixelRatioF();
    // From here on one unit is one device pixel. (At a fractional scale the
    // widget may begin inside a device pixel; the painter rounds a pure
    // translation to whole device pixels, the same for every field.)
    painter.scale(1 / dpr, 1 / dpr);
    if (fieldDeviceSize() != m_paintedField) {
        // A new size (or scale): the tiles are scaled to it until it has
        // settled.
        m_paintedField = fieldDeviceSize();
        m_settleTimer.start();
    }
    // Beside a board that does not fill the widget: the window's colour.
    const QRect boardRect = deviceBoard();
    const QRegion beside = QRegion(0, 0, int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr))) - boardRect;
    for (const QRect &r : beside)
        painter.fillRect(r, palette().color(QPalette::Window));
    const int border = hasBorders() ? qMax(1, qRound(dpr)) : 0;
    const Board &board = m_session.board();
    // A tile in motion leaves its new field showing the background; the
    // board may have changed since (a new deal): then it stands still.
    std::array<bool, Tiles::MaxFields> moving{};
    if (sliding())
        for (const Sliding &s : m_sliding)
            if (board.picture(s.step.to) == s.tile)
                moving[s.step.to] = true;
    // The numbers stand on the tiles in play, not on the whole picture.
    const bool numbers = m_numbers && !m_session.fertig();
    for (int p = 0; p < m_session.board().fieldCount(); ++p)
        paintField(painter, moving[p] ? QImage() : picture(p), backColor(p), deviceField(p), border,
                   numbers ? board.picture(p) : -1);
    if (!m_whole.isNull() && m_session.fertig() && !board.hasPicture(m_session.board().lastField())) {
        painter.save();
        painter.setOpacity(m_fadeAnim.state() != QAbstractAnimation::Stopped ? m_fadeAnim.currentValue().toReal() : 1.0);
        paintField(painter, m_whole, backColor(m_session.board().lastField()), deviceField(m_session.board().lastField()), border);
        painter.restore();
    }
    if (sliding()) {
        // Each edge moved its share of the way, on whole device pixels.
        const qreal t = m_slideAnim.currentValue().toReal();
        auto between = [t](int a, int b) { return a + qRound((b - a) * t); };
        for (const Sliding &s : m_sliding) {
            if (!moving[s.step.to])
                continue;
            const QRect a = deviceField(s.step.from), b = deviceField(s.step.to);
            const QRect r(QPoint(between(a.left(), b.left()), between(a.top(), b.top())),
                          QPoint(between(a.right(), b.right()), between(a.bottom(), b.bottom())));
            paintField(painter, tilePicture(s.tile), buttonFace(), r, border, numbers ? s.tile : -1);
        }
    }
    if (m_hintMark >= 0 && m_hintMark < m_session.board().fieldCount()) {
        const QRect r = deviceField(m_hintMark);
        painter.fillRect(r, QColor(255, 200, 0, 70));
        fillFrame(painter, r, qMax(1, qRound(HintFramePx * dpr)), QColor(255, 140, 0));
    }
    if (hasFocus()) {
        // Around the board, one pixel off it, within the margin.
        const int gap = qMax(1, qRound(dpr)), frame = qMax(1, qRound(FocusFramePx * dpr));
        fillFrame(painter, boardRect.adjusted(-gap - frame, -gap - frame, gap + frame, gap + frame), frame,
                  palette().color(QPalette::Highlight));
    }
    if (!m_painted && !tilePicture(0).isNull()) {
        // Once the painting of the tiles in progress is done, what waited
        // for the board to be on the screen may begin.
        m_painted = true;
        QTimer::singleShot(0, this, &BoardView::firstPainted);
    }
}

void BoardView::paintField(QPainter &painter, const QImage &tile, const QColor &back, const QRect &device,
                           int border, int number) const
{
    painter.fillRect(device, back);
    const QRect inner = device.adjusted(border, border, -border, -border);
    if (!tile.isNull() && !inner.isEmpty()) {
        // The tile unscaled from the top-left corner of the drawing area,
        // clipped to it. Tiles are cut at the device size of a field; one
        // cut for another size or scale is stretched to it until tiles of
        // the new size come.
        painter.save();
        painter.setClipRect(inner);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, tile.size() != device.size());
        painter.drawImage(QRect(inner.topLeft(), device.size()), tile, tile.rect());
        painter.restore();
        if (number >= 0)
            TileCutter::drawNumber(painter, inner, number);
    }
    if (border > 0)
        fillFrame(painter, device, border, Qt::black);
}

void BoardView::slide(const Moves::Action &steps)
{
    finishSlide();
    for (const Moves::Step &s : steps)
        if (s.to >= 0 && s.to < m_session.board().fieldCount() && s.from >= 0 && s.from < m_session.board().fieldCount()
            && m_session.board().hasPicture(s.to))
            m_sliding.push_back({s, m_session.board().picture(s.to)});
    if (!m_sliding.empty())
        m_slideAnim.start();
}

void BoardView::finishSlide()
{
    if (sliding())
        m_slideAnim.stop(), update();
    m_sliding.clear();
}

void BoardView::fadeInWholePicture()
{
    m_fadeAnim.stop();
    m_fadeAnim.start();
    update();
}

void BoardView::showHintMark(int field, int msecs)
{
    m_hintTimer.stop();
    if (field >= 0 && msecs > 0)
        m_hintTimer.start(msecs);
    if (m_hintMark == field)
        return;
    m_hintMark = field;
    update();
}

// --- the drag ---------------------------------------------------------------------

void BoardView::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (m_dragSource >= 0)
        return;  // a second button during a drag changes nothing
    finishSlide();
    const int field = fieldAt(event->position().toPoint());
    if (field < 0)
        return;
    m_dragSource = field;
    m_pressPos = event->position().toPoint();
    m_leftPress = event->button() == Qt::LeftButton;
    m_grabOffset = event->position().toPoint() - fieldRect(field).topLeft();
    if (QWidget *client = parentWidget()) {
        if (!m_outline)
            m_outline = new DragOutline(client);
        m_outline->setGeometry(QRect(client->mapFromGlobal(event->globalPosition().toPoint()) - m_grabOffset,
                                     fieldRect(field).size()));
        m_outline->show();
        m_outline->raise();
    }
    m_dragOver = -1;
    hover(field);
    emit pressed();
}

void BoardView::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void BoardView::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (m_dragSource < 0)
        return;
    if (m_outline)
        m_outline->move(m_outline->parentWidget()->mapFromGlobal(event->globalPosition().toPoint()) - m_grabOffset);
    hover(fieldAt(event->position().toPoint()));
}

void BoardView::hover(int field)
{
    // Entering a field lights it when it is the empty field and the dragged
    // tile may go there; leaving a field gives it its normal colour back.
    // Every notification shows the dragged tile in the position display.
    if (field != m_dragOver) {
        if (m_dragOver >= 0) {
            emit fieldHovered(m_dragSource, m_dragOver);
            if (m_lit == m_dragOver)
                m_lit = -1, update();
        }
        m_dragOver = field;
        if (field < 0)
            return;
        emit fieldHovered(m_dragSource, field);
        if (m_session.board().lightsUp(m_dragSource, field))
            m_lit = field, update();
    } else if (field >= 0) {
        emit fieldHovered(m_dragSource, field);
    }
}

void BoardView::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (m_dragSource < 0)
        return;
    const int source = m_dragSource;
    const QPoint pos = event->position().toPoint();
    const int field = fieldAt(pos);
    const bool click = m_leftPress && event->button() == Qt::LeftButton && field == source
                       && (pos - m_pressPos).manhattanLength() < QApplication::startDragDistance();
    endDrag();
    if (click)
        emit clickRequested(field);
    else if (field >= 0)
        emit moveRequested(source, field);
}

void BoardView::endDrag()
{
    m_dragSource = -1;
    m_dragOver = -1;
    if (m_lit >= 0)
        m_lit = -1, update();
    if (m_outline)
        m_outline->hide();
}

void BoardView::cancelDrag()
{
    if (m_dragSource >= 0)
        endDrag();
}

void BoardView::boardChanged()
{
    update();
    m_announcer.boardChanged(this);
}

void BoardView::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
    m_announcer.focusTaken(this);
}

void BoardView::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void BoardView::hideEvent(QHideEvent *event)
{
    cancelDrag();
    QWidget::hideEvent(event);
}

bool BoardView::handleKey(QKeyEvent *event)
{
    // The arrow gives the direction in which the tile next to the empty
    // field moves into it.
    GameSession::Arrow arrow;
    switch (event->key()) {
    case Qt::Key_Escape:
        cancelDrag();
        return true;
    case Qt::Key_Left: arrow = GameSession::Arrow::Left; break;
    case Qt::Key_Right: arrow = GameSession::Arrow::Right; break;
    case Qt::Key_Up: arrow = GameSession::Arrow::Up; break;
    case Qt::Key_Down: arrow = GameSession::Arrow::Down; break;
    default:
        return false;
    }
    if (m_dragSource >= 0)
        return true;
    finishSlide();
    if (const auto source = m_session.arrowSource(arrow))
        emit slideRequested(*source, m_session.board().emptyField());
    return true;
}
