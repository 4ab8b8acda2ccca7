#pragma once
// Tests of the game with or without windows: a picture of 4 x 4 squares,
// each its own colour, and a temporary program folder.
#include "base/ProgramFolder.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

namespace TestSupport {

// The colour of square k (0..15) of the test picture: every square its own.
inline QColor squareColor(int k) { return QColor::fromHsv(k * 360 / 16, 255 - (k % 2) * 90, 255 - (k / 8) * 80); }

inline QImage squaresPicture(int side = 416)
{
    QImage img(side, side, QImage::Format_RGB32);
    QPainter p(&img);
    for (int k = 0; k < 16; ++k)
        p.fillRect(QRect(QPoint(k % 4 * side / 4, k / 4 * side / 4), QPoint((k % 4 + 1) * side / 4 - 1, (k / 4 + 1) * side / 4 - 1)),
                   squareColor(k));
    return img;
}

inline bool similar(const QColor &a, const QColor &b, int tolerance = 24)
{
    return qMax(qMax(std::abs(a.red() - b.red()), std::abs(a.green() - b.green())), std::abs(a.blue() - b.blue())) <= tolerance;
}

// The square (0..15) whose colour the centre of an image shows; -1 for no image, -2 for none.
inline int tileShown(const QImage &picture)
{
    for (int k = 0; !picture.isNull() && k < 16; ++k)
        if (similar(picture.pixelColor(picture.width() / 2, picture.height() / 2), squareColor(k)))
            return k;
    return picture.isNull() ? -1 : -2;
}

// A program folder with Images/originale and, unless told otherwise, the test
// picture as a BMP named in p.cxa; ProgramFolder points at it while it lives.
struct ProgramDir
{
    QTemporaryDir dir;
    explicit ProgramDir(bool withPicture = true)
    {
        QDir(dir.path()).mkpath(QStringLiteral("Images/originale"));
        // The solver's tables as the build made them: a game's first search
        // reads them instead of making them anew.
        QFile::link(QStringLiteral(ZANDOR_PROGRAM_DIR "/solver.pdb"), path(QStringLiteral("solver.pdb")));
        ProgramFolder::setPath(dir.path());
        if (withPicture && squaresPicture().save(path(QStringLiteral("squares.bmp")), "BMP"))
            writeAll(path(QStringLiteral("p.cxa")), path(QStringLiteral("squares.bmp")).toLatin1() + "\r\n");
    }
    ~ProgramDir() { ProgramFolder::setPath(QString()); }
    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }
    QByteArray read(const QString &relative) const { return readAll(path(relative)); }
};

} // namespace TestSupport
