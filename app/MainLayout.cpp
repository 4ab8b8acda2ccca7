#include "app/MainLayout.h"

#include "base/FixedLayout.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>

#include <algorithm>

using namespace Twips::Main;

namespace MainLayout {

namespace {
constexpr double NormalPoints = 9.0;
} // namespace

double labelScale()
{
    const QFont general = QApplication::font();
    const double points = general.pointSizeF() > 0 ? general.pointSizeF() : QFontInfo(general).pointSizeF();
    return std::max(1.0, points / NormalPoints);
}

Design fitPanels(QGroupBox *frame3, QGroupBox *frame4, QWidget *progress,
                 const QVector<QPair<QLabel *, QStringList>> &labels)
{
    int width = 0;
    QVector<QSize> need;
    for (const auto &[label, texts] : labels) {
        QSize n = FixedLayout::neededSize(label);
        const QString shown = label->text();
        for (const QString &t : texts) {
            label->setText(t);
            n = n.expandedTo(FixedLayout::neededSize(label));
        }
        label->setText(shown);
        need.append(n);
        width = std::max(width, n.width());
    }
    QVector<FixedLayout::Control> in3, in4;
    for (int i = 0; i < labels.size(); ++i) {
        QLabel *label = labels[i].first;
        const QRect design(Twips::point(PanelLabelLeft, Twips::fromPx(label->y())),
                           QSize(Twips::px(PanelWidth - 2 * PanelLabelLeft), label->height()));
        (label->parentWidget() == frame3 ? in3 : in4)
            .append({label, design, FixedLayout::Widens, QSize(width, need[i].height())});
    }
    const QSize panel = Twips::size(PanelWidth, PanelHeight);
    const QSize size3 = FixedLayout::fit(in3, panel);
    const QSize size4 = FixedLayout::fit(in4, panel);
    const int panelLeft = BoardLeft + BoardSize + PanelGap;
    const int progressTop = BoardTop + BoardSize + ProgressGap;
    QVector<QRect> placed;
    Design d;
    d.client = FixedLayout::fit(
        {{nullptr, Twips::rect(BoardLeft, BoardTop, BoardSize, BoardSize), FixedLayout::Stays, QSize(0, 0)},
         {frame3, Twips::rect(panelLeft, BoardTop, PanelWidth, PanelHeight), FixedLayout::Stays, size3},
         {frame4, Twips::rect(panelLeft, BoardTop + PanelHeight, PanelWidth, PanelHeight), FixedLayout::Stays, size4},
         {progress, Twips::rect(ProgressLeft, progressTop, ClientWidth - ProgressRightMargin, ProgressHeight),
          FixedLayout::Widens, QSize(0, 0)}},
        Twips::size(ClientWidth, ClientHeight), &placed);
    d.board = placed[0];
    d.frame3 = placed[1];
    d.frame4 = placed[2];
    d.progress = placed[3];
    return d;
}

Placed place(const Design &d, const QSize &client)
{
    const int beside = d.client.width() - d.board.width();
    const int below = d.client.height() - d.board.height();
    const int side = std::max(d.board.width(), std::min(client.width() - beside, client.height() - below));
    const QPoint spare(std::max(0, (client.width() - beside - side) / 2),
                       std::max(0, (client.height() - below - side) / 2));
    const int grown = side - d.board.width();
    Placed p;
    p.board = QRect(d.board.topLeft() + spare, QSize(side, side));
    p.frame3 = d.frame3.translated(spare + QPoint(grown, 0));
    p.frame4 = d.frame4.translated(spare + QPoint(grown, 0));
    p.progress = QRect(d.progress.left(), d.progress.top() + spare.y() + grown,
                       d.progress.width() + client.width() - d.client.width(), d.progress.height());
    // The preview: as designed beside the first board, as much larger as
    // the board has grown, within the panels' right margin and above the
    // progress bar.
    const int top = p.frame4.bottom() + 1 + Twips::px(PreviewGap);
    const int rightMargin = d.client.width() - d.frame4.left() - d.frame4.width();
    const int wanted = qRound(double(side) * PreviewSize / BoardSize);
    const int room = std::min(client.width() - rightMargin - p.frame4.left(), p.progress.top() - top);
    const int preview = std::max(0, std::min(wanted, std::max(room, Twips::px(PreviewSize))));
    p.preview = QRect(p.frame4.left(), top, preview, preview);
    return p;
}

} // namespace MainLayout
