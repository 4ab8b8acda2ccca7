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

QSize fitPanels(QGroupBox *frame3, QGroupBox *frame4, QWidget *progress,
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
    return FixedLayout::fit(
        {{nullptr, Twips::rect(BoardLeft, BoardTop, BoardSize, BoardSize), FixedLayout::Stays, QSize(0, 0)},
         {frame3, Twips::rect(panelLeft, BoardTop, PanelWidth, PanelHeight), FixedLayout::Stays, size3},
         {frame4, Twips::rect(panelLeft, BoardTop + PanelHeight, PanelWidth, PanelHeight), FixedLayout::Stays, size4},
         {progress, Twips::rect(ProgressLeft, progressTop, ClientWidth - ProgressRightMargin, ProgressHeight),
          FixedLayout::Widens, QSize(0, 0)}},
        Twips::size(ClientWidth, ClientHeight));
}

} // namespace MainLayout
