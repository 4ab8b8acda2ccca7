#pragma once
// Every length of the game's windows is kept here in twips, the unit the
// layout was designed in; 15 twips make one logical pixel. Qt's high-DPI
// scaling takes it from logical pixels to the device.
#include <QPoint>
#include <QRect>
#include <QSize>

namespace Twips {

constexpr int PerPixel = 15;

// Twips to logical pixels, rounded to the nearest pixel.
constexpr int px(int twips)
{
    return twips >= 0 ? (twips + PerPixel / 2) / PerPixel : -((-twips + PerPixel / 2) / PerPixel);
}
constexpr int fromPx(int pixels) { return pixels * PerPixel; }
inline QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}
inline QSize size(int width, int height) { return QSize(px(width), px(height)); }
inline QPoint point(int left, int top) { return QPoint(px(left), px(top)); }

// Main window.
namespace Main {
constexpr int Width = 10200;          // outer width
constexpr int Height = 7400;          // outer height
constexpr int DesignClientWidth = 10320;
constexpr int DesignClientHeight = 6570;
constexpr int SecondaryOffset = 500;  // Window_Left/Top = Left/Top + 500
constexpr int BoardLeft = 240;        // Frame1
constexpr int BoardTop = 240;
constexpr int BoardSize = 6240;
constexpr int FieldSize = 1560;
constexpr int PanelGap = 320;         // Frame3 starts this far right of the board
constexpr int PanelWidth = 3000;      // Frame3 and Frame4
constexpr int PanelHeight = 1455;     // Frame3 (Frame4 has the same design)
constexpr int ProgressLeft = 120;     // pBar
constexpr int ProgressGap = 10;       // pBar below the board
constexpr int ProgressHeight = 200;
constexpr int ProgressRightMargin = 240;
constexpr int PreviewGap = 300;       // preview below Frame4
constexpr int PreviewSize = 3000;
} // namespace Main

// High-score window.
namespace TopTen {
constexpr int ClientWidth = 4035;
constexpr int ClientHeight = 4575;
constexpr int HeadingLeft = 120, HeadingTop = 120, HeadingWidth = 3735, HeadingHeight = 480;
constexpr int FrameLeft = 240, FrameMarginWidth = 480, FrameMarginHeight = 720, FrameGap = 100;
constexpr int NrLeft = 120, NrTop = 240, NrWidth = 375, RowHeight = 300;
constexpr int NameLeft = 600, NameWidth = 2085;
constexpr int ScoreLeft = 2760, ScoreWidth = 615;
} // namespace TopTen

// Save/load dialog.
namespace Load {
constexpr int ClientWidth = 3495;
constexpr int ClientHeight = 3720;
constexpr int ListLeft = 240, ListTop = 240, ListWidth = 3015, ListHeight = 2040;
constexpr int NameLeft = 240, NameTop = 2520, NameWidth = 3015, NameHeight = 285;
constexpr int ConfirmLeft = 120, ButtonTop = 3120, ConfirmWidth = 1095, ButtonHeight = 375;
constexpr int DeleteLeft = 1320, DeleteWidth = 975;
constexpr int CancelLeft = 2400, CancelWidth = 975;
} // namespace Load

// About window.
namespace About {
constexpr int ClientWidth = 4590;
constexpr int ClientHeight = 4665;
constexpr int IconLeft = 240, IconTop = 240, IconSize = 480;          // picIcon, 32 x 32
constexpr int TitleLeft = 960, TitleTop = 200, TitleWidth = 3390, TitleHeight = 420;
constexpr int VersionLeft = 960, VersionTop = 620, VersionWidth = 3390, VersionHeight = 255;
constexpr int FrameLeft = 240, FrameTop = 1140, FrameWidth = 4110, FrameHeight = 1200;
constexpr int CaptionLeft = 120, CaptionWidth = 735;                 // Label3, lblMail, lblURL
constexpr int ValueLeft = 900, ValueWidth = 3090;                    // Label4, Label1, Label2
constexpr int RowTop = 300, RowHeight = 255, RowStep = 285;          // rows inside Frame1
constexpr int YearLeft = 240, YearTop = 2430, YearWidth = 4110, YearHeight = 255;
constexpr int DisclaimerLeft = 240, DisclaimerTop = 2880, DisclaimerWidth = 4110,
              DisclaimerHeight = 1140;
constexpr int OKLeft = 3255, OKTop = 4170, OKWidth = 1095, OKHeight = 375;
constexpr int LineLeft = 120, LineWidth = 4350;                      // Line1 separators
constexpr int Line1Top = 1005, Line2Top = 2775, Line3Top = 4080;     // grey; white 15 below
} // namespace About

// Description window.
namespace Descr {
constexpr int ClientWidth = 4830;
constexpr int ClientHeight = 6885;
constexpr int TextLeft = 240, TextTop = 240, TextWidth = 4335, TextHeight = 6375;
} // namespace Descr

} // namespace Twips
