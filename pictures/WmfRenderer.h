#pragma once
// Renders Windows metafiles (placeable and standard) into an image with
// libwmf's gd device, entirely in memory. Damaged metafiles are refused: the
// rendering runs in a child process of its own, so that a crash in libwmf
// cannot take the game down, and it is bounded in picture size, memory,
// records played and time (a few seconds).
#include "pictures/PictureError.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace WmfRenderer {

// True when data starts like a metafile: the placeable header's magic
// 0x9AC6CDD7, or a standard metafile header (type 1 or 2, header size 9
// words, version 0x0100 or 0x0300).
bool looksLikeMetafile(const QByteArray &data);

// Largest metafile accepted, in bytes.
constexpr qint64 MaxFileSize = 32 * 1024 * 1024;
// Largest picture rendered, in pixels per side and in pixels altogether.
constexpr int MaxSide = 16384;
constexpr qint64 MaxPixels = 16 * 1024 * 1024;

// Renders the metafile so that the picture covers `needed` in both
// directions, keeping the metafile's aspect ratio (an invalid `needed` takes
// the metafile's own size at 96 dpi). The result is opaque: whatever the
// metafile leaves uncovered is white. A null image and the reason in error on
// failure.
QImage render(const QByteArray &data, const QSize &needed, PictureError *error = nullptr);

} // namespace WmfRenderer
