#pragma once
// The main window's panels beside the board: their design places, and the
// panels grown to their labels' texts with the client area grown to hold
// the board, the panels and the progress bar.
#include <QPair>
#include <QSize>
#include <QStringList>
#include <QVector>

#include "base/Twips.h"

class QGroupBox;
class QLabel;
class QWidget;

namespace MainLayout {

// The height of the window's content: board, progress bar and a margin.
constexpr int ClientHeight = Twips::Main::BoardTop + Twips::Main::BoardSize + Twips::Main::ProgressGap
                             + Twips::Main::ProgressHeight + 150;
constexpr int ClientWidth = Twips::Main::Width - 120;
// The labels in the panels keep this far from the panel's sides.
constexpr int PanelLabelLeft = 120;

// The labels' point sizes are designed for Qt's default general font of 9
// points; a larger general font (as a desktop sets it) makes them larger by
// as much, a smaller one leaves them as designed.
double labelScale();

// The panels beside the board, grown to their labels' texts, and the client
// area grown to hold the board, the panels and the progress bar, which moves
// down as far as the panels have grown, the preview's place below Frame4
// moving with them. A label is as wide as the widest of the texts it is
// given or shows, so the panels keep their size while the game runs; all
// labels of both panels share that width, so the panels are equally wide and
// their centred texts stay centred. Returns the client area's size.
QSize fitPanels(QGroupBox *frame3, QGroupBox *frame4, QWidget *progress,
                const QVector<QPair<QLabel *, QStringList>> &labels);

} // namespace MainLayout
