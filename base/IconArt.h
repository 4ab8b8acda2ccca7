#pragma once
// The game's own pictures, drawn in code: the program icon (a 4 x 4 board of
// tiles with the bottom-right field empty) and the hand pointer shown over
// the links of the About window.
#include <QImage>
#include <QPoint>

namespace IconArt {

// The program icon, size x size pixels, transparent around the board.
QImage programIcon(int size);

// The hand pointer, 32 x 32 pixels, transparent around the hand.
QImage handCursor();

// Where the hand points: the tip of the index finger.
constexpr QPoint HandHotSpot{11, 1};

} // namespace IconArt
