#pragma once
// The main window's panels beside the board: their design places, and the
// panels grown to their labels' texts with the client area grown to hold
// the board, the panels and the progress bar.
#include <QPair>
#include <QRect>
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

// The main window's controls at the current font, at the window's first and
// smallest size (logical pixels): what every other size is made from.
struct Design {
    QSize client;                // the client area
    QRect board, frame3, frame4, progress;
};

// The panels beside the board, grown to their labels' texts, and the client
// area grown to hold the board, the panels and the progress bar, which moves
// down as far as the panels have grown, the preview's place below Frame4
// moving with them. A label is as wide as the widest of the texts it is
// given or shows, so the panels keep their size while the game runs; all
// labels of both panels share that width, so the panels are equally wide and
// their centred texts stay centred. The labels are placed in their panels.
Design fitPanels(QGroupBox *frame3, QGroupBox *frame4, QWidget *progress,
                 const QVector<QPair<QLabel *, QStringList>> &labels);

// Where the controls stand in a client area of any size.
struct Placed {
    QRect board, frame3, frame4, preview, progress;
};

// The board is the largest square that fits beside the panels and above
// the progress bar, the margins, the panels and the gaps between them
// keeping their size (never smaller than at the first size); what is left
// over either way goes evenly to both sides. The panels stand right of the
// board, the progress bar below it across the whole window. The preview
// stands below Frame4 and grows with the board (at the first size as
// designed), as far as the room right of it and above the progress bar
// allows.
Placed place(const Design &design, const QSize &client);

} // namespace MainLayout
