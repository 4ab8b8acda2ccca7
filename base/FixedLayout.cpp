#include "base/FixedLayout.h"

#include "base/WindowPlacement.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace FixedLayout {

namespace {

// Room between a text and the frame around it, each side.
constexpr int TextClearance = 2;

int frameWidth(const QWidget *w)
{
    return w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
}

QSize textEditNeed(const QPlainTextEdit *edit)
{
    if (edit->lineWrapMode() != QPlainTextEdit::NoWrap)
        return QSize(0, 0);
    const QFontMetrics fm(edit->font());
    int widest = 0;
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next())
        widest = std::max(widest, fm.horizontalAdvance(b.text()));
    const int margin = int(std::ceil(edit->document()->documentMargin()));
    int width = widest + 2 * margin + edit->cursorWidth() + 2 * edit->frameWidth();
    if (edit->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        width += edit->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, edit);
    return QSize(width, 0);
}

} // namespace

QSize neededSize(const QWidget *widget)
{
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->text().isEmpty() && label->pixmap().isNull() ? QSize(0, 0) : label->sizeHint();
    if (auto *button = qobject_cast<const QPushButton *>(widget)) {
        // The style's own size hint has a minimum width of its own; only the
        // text and the frame count here.
        const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        const int frame = frameWidth(button) + TextClearance;
        return text + QSize(2 * frame, 2 * frame);
    }
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->sizeHint();
    if (auto *edit = qobject_cast<const QLineEdit *>(widget)) {
        // QLineEdit keeps one pixel above and below its text inside the frame.
        return QSize(0, edit->fontMetrics().height() + 2 * (frameWidth(edit) + 1));
    }
    if (auto *edit = qobject_cast<const QPlainTextEdit *>(widget))
        return textEditNeed(edit);
    return QSize(0, 0);
}

QSize fit(const QVector<Control> &controls, QSize designParent, QVector<QRect> *placedOut)
{
    const int n = controls.size();
    QVector<QRect> placed(n);
    for (int i = 0; i < n; ++i) {
        const Control &c = controls[i];
        const QSize need = c.need.isValid() ? c.need : neededSize(c.widget);
        placed[i] = QRect(c.design.topLeft(), c.design.size().expandedTo(need));
    }
    QVector<int> order(n);
    std::iota(order.begin(), order.end(), 0);

    // Left to right: a control moves by as much as the controls left of it in
    // its rows have pushed their right edges out.
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return controls[a].design.left() < controls[b].design.left(); });
    for (int i : order) {
        const QRect &d = controls[i].design;
        int shift = 0;
        for (int j : order) {
            const QRect &e = controls[j].design;
            if (j == i || e.left() + e.width() > d.left() || e.top() >= d.bottom() + 1 || d.top() >= e.bottom() + 1)
                continue;
            shift = std::max(shift, placed[j].right() - e.right());
        }
        placed[i].moveLeft(d.left() + shift);
    }
    // Top to bottom, the same with the bottom edges of the controls above
    // that share columns with it where they stand now.
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return controls[a].design.top() < controls[b].design.top(); });
    for (int i : order) {
        const QRect &d = controls[i].design;
        int shift = 0;
        for (int j : order) {
            const QRect &e = controls[j].design;
            if (j == i || e.top() + e.height() > d.top() || placed[j].left() > placed[i].right()
                || placed[i].left() > placed[j].right())
                continue;
            shift = std::max(shift, placed[j].bottom() - e.bottom());
        }
        placed[i].moveTop(d.top() + shift);
    }

    // The parent keeps its design size where only controls grown in place
    // reach into its margin, and keeps clear of them by MinMargin; once
    // grown controls have pushed others past the design extent, it grows to
    // the controls' extent with its design margin.
    auto extent = [&](int designLength, auto nearEdge, auto farEdge) {
        int designFar = 0, far = 0;
        bool pushed = false;
        for (int i = 0; i < n; ++i) {
            const int d = farEdge(controls[i].design);
            designFar = std::max(designFar, d);
            far = std::max(far, farEdge(placed[i]));
            pushed = pushed || (farEdge(placed[i]) > d && nearEdge(placed[i]) != nearEdge(controls[i].design));
        }
        if (far <= designFar || (!pushed && far + MinMargin <= designLength))
            return designLength;
        return std::max(designLength, far + std::max(MinMargin, designLength - designFar));
    };
    const QSize parent(extent(designParent.width(), [](const QRect &r) { return r.left(); },
                              [](const QRect &r) { return r.left() + r.width(); }),
                       extent(designParent.height(), [](const QRect &r) { return r.top(); },
                              [](const QRect &r) { return r.top() + r.height(); }));
    const QSize growth = parent - designParent;

    for (int i = 0; i < n; ++i) {
        const Control &c = controls[i];
        QRect &r = placed[i];
        if (c.follow & Widens)
            r.setWidth(std::max(r.width(), c.design.width() + growth.width()));
        if (c.follow & Heightens)
            r.setHeight(std::max(r.height(), c.design.height() + growth.height()));
        if (c.follow & MovesRight)
            r.moveLeft(std::max(r.left(), c.design.left() + growth.width()));
        if (c.widget)
            c.widget->setGeometry(r);
    }
    if (placedOut)
        *placedOut = placed;
    return parent;
}

QWidget *centredClient(QWidget *window)
{
    // In a main window the room below the menu bar (its central widget)
    // holds the client.
    QWidget *room = window;
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        room = new QWidget(main);
        main->setCentralWidget(room);
    }
    auto *client = new QWidget(room);
    client->setObjectName(QStringLiteral("client"));
    auto *layout = new QGridLayout(room);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(client, 0, 0, Qt::AlignCenter);
    return client;
}

void keepSize(QWidget *window, QWidget *client, const QSize &clientSize)
{
    client->setFixedSize(clientSize);
    QSize own = clientSize;
    if (auto *main = qobject_cast<QMainWindow *>(window); main && main->menuWidget()) {
        const QWidget *bar = main->menuWidget();
        const int h = bar->hasHeightForWidth() ? bar->heightForWidth(own.width()) : -1;
        own.rheight() += std::max(h >= 0 ? h : bar->sizeHint().height(), bar->minimumHeight());
    }
    window->setMinimumSize(own);
    window->setMaximumSize(WindowPlacement::compositorPlaces() ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX) : own);
    // Maximised or fullscreen it keeps the size it was given.
    if (!(window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        window->resize(own);
}

} // namespace FixedLayout
