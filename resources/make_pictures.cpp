// Build-time generator of the pictures the game offers on its first start:
// a landscape, a geometric pattern, a colourful abstract, a mosaic bitmap and
// a sailing boat as a Windows metafile, all drawn here.
//   make_pictures <picture library folder>
#include "pictures/WmfWriter.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QtMath>
#include <cstdio>

namespace {

bool saveImage(const QString &path, const QImage &image, const char *format, int quality = -1)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !image.save(&f, format, quality) || !f.commit()) {
        std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool saveBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// Rolling hills against a sky with the sun, clouds, a lake and fir trees.
QImage landscape()
{
    const int w = 1200, h = 900;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, h * 0.6);
    sky.setColorAt(0, QColor(40, 90, 180));
    sky.setColorAt(1, QColor(190, 220, 245));
    p.fillRect(img.rect(), sky);

    // the sun with its rays
    const QPointF sun(w * 0.78, h * 0.2);
    p.setPen(QPen(QColor(255, 210, 60), 6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8;
        p.drawLine(sun + QPointF(std::cos(a), std::sin(a)) * 95, sun + QPointF(std::cos(a), std::sin(a)) * 140);
    }
    QRadialGradient glow(sun, 80);
    glow.setColorAt(0, QColor(255, 250, 200));
    glow.setColorAt(1, QColor(255, 190, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(sun, 80, 80);

    // clouds
    p.setBrush(QColor(255, 255, 255, 220));
    const QPointF clouds[] = {{220, 140}, {520, 90}, {380, 230}};
    for (const QPointF &c : clouds) {
        p.drawEllipse(c, 90, 38);
        p.drawEllipse(c + QPointF(-60, 10), 55, 30);
        p.drawEllipse(c + QPointF(65, 8), 60, 32);
        p.drawEllipse(c + QPointF(10, -25), 50, 32);
    }

    // three rows of hills, the nearest darkest
    const QColor hillColors[] = {QColor(120, 170, 90), QColor(70, 140, 60), QColor(40, 105, 45)};
    const double baseY[] = {0.52, 0.64, 0.78};
    for (int row = 0; row < 3; ++row) {
        QPainterPath hill;
        hill.moveTo(0, h);
        hill.lineTo(0, h * baseY[row]);
        const int bumps = 3 + row;
        for (int i = 0; i < bumps; ++i) {
            const double x0 = double(w) * i / bumps, x1 = double(w) * (i + 1) / bumps;
            const double peak = h * (baseY[row] - 0.09 - 0.04 * ((i + row) % 2));
            hill.quadTo((x0 + x1) / 2, peak, x1, h * baseY[row]);
        }
        hill.lineTo(w, h);
        hill.closeSubpath();
        p.setBrush(hillColors[row]);
        p.drawPath(hill);
    }

    // a lake in the foreground
    QLinearGradient water(0, h * 0.82, 0, h);
    water.setColorAt(0, QColor(70, 130, 200));
    water.setColorAt(1, QColor(30, 70, 140));
    p.setBrush(water);
    p.drawEllipse(QPointF(w * 0.3, h * 0.92), w * 0.26, h * 0.07);

    // fir trees
    const QPointF trees[] = {{760, 760}, {840, 790}, {930, 750}, {1040, 800}, {120, 700}};
    for (const QPointF &t : trees) {
        p.setBrush(QColor(90, 60, 30));
        p.drawRect(QRectF(t.x() - 7, t.y(), 14, 40));
        p.setBrush(QColor(20, 80, 40));
        for (int k = 0; k < 3; ++k) {
            const double top = t.y() - 110 + k * 35, half = 30 + k * 12;
            p.drawPolygon(QPolygonF{QPointF(t.x(), top), QPointF(t.x() - half, top + 60),
                                    QPointF(t.x() + half, top + 60)});
        }
    }
    return img;
}

// Rings of turning squares and triangles on a checkerboard of changing hues.
QImage pattern()
{
    const int side = 1000, cells = 10;
    const int cell = side / cells;
    QImage img(side, side, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int y = 0; y < cells; ++y) {
        for (int x = 0; x < cells; ++x) {
            const int hue = (x * 36 + y * 19) % 360;
            const QRect r(x * cell, y * cell, cell, cell);
            p.fillRect(r, QColor::fromHsv(hue, (x + y) % 2 ? 90 : 200, (x + y) % 2 ? 250 : 200));
            p.save();
            p.translate(r.center() + QPointF(0.5, 0.5));
            p.rotate((x * 9 + y * 15) % 90);
            p.setPen(QPen(QColor::fromHsv((hue + 180) % 360, 230, 120), 3));
            p.setBrush(QColor::fromHsv((hue + 120) % 360, 200, 240));
            if ((x * 3 + y) % 3 == 0)
                p.drawRect(QRectF(-30, -30, 60, 60));
            else if ((x * 3 + y) % 3 == 1)
                p.drawPolygon(QPolygonF{QPointF(0, -34), QPointF(30, 22), QPointF(-30, 22)});
            else
                p.drawEllipse(QPointF(0, 0), 30, 20);
            p.restore();
        }
    }
    // two large rings over the whole
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 170), 14));
    p.drawEllipse(QPointF(side / 2.0, side / 2.0), side * 0.36, side * 0.36);
    p.setPen(QPen(QColor(30, 30, 60, 150), 8));
    p.drawEllipse(QPointF(side / 2.0, side / 2.0), side * 0.22, side * 0.22);
    return img;
}

// Translucent circles and ribbons in many colours, from a fixed seed so that
// every build draws the same picture.
QImage abstractColors()
{
    const int w = 1024, h = 768;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, w, h);
    back.setColorAt(0, QColor(30, 20, 60));
    back.setColorAt(1, QColor(10, 60, 70));
    p.fillRect(img.rect(), back);

    QRandomGenerator rng(20240607);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 70; ++i) {
        const QPointF c(rng.bounded(w), rng.bounded(h));
        const double r = 20 + rng.bounded(110);
        QRadialGradient g(c, r);
        const int hue = rng.bounded(360);
        g.setColorAt(0, QColor::fromHsv(hue, 160, 255, 230));
        g.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 255, 200, 60));
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }
    for (int i = 0; i < 9; ++i) {
        QPainterPath ribbon;
        ribbon.moveTo(0, rng.bounded(h));
        ribbon.cubicTo(w * 0.3, rng.bounded(h), w * 0.7, rng.bounded(h), w, rng.bounded(h));
        p.setPen(QPen(QColor::fromHsv(rng.bounded(360), 220, 255, 200), 6 + rng.bounded(14),
                      Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(ribbon);
    }
    return img;
}

// A mosaic of quarter circles (Truchet tiles) in warm colours.
QImage mosaic()
{
    const int side = 800, cells = 16;
    const double cell = double(side) / cells;
    QImage img(side, side, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRandomGenerator rng(4711);
    for (int y = 0; y < cells; ++y) {
        for (int x = 0; x < cells; ++x) {
            const QRectF r(x * cell, y * cell, cell, cell);
            const int hue = (20 + x * 6 + y * 9) % 360;
            p.fillRect(r, QColor::fromHsv(hue, 140, 245));
            p.setPen(QPen(QColor::fromHsv((hue + 200) % 360, 200, 110), cell * 0.22));
            p.setBrush(Qt::NoBrush);
            if (rng.bounded(2)) {
                p.drawArc(QRectF(r.left() - cell / 2, r.top() - cell / 2, cell, cell), 270 * 16, 90 * 16);
                p.drawArc(QRectF(r.right() - cell / 2, r.bottom() - cell / 2, cell, cell), 90 * 16, 90 * 16);
            } else {
                p.drawArc(QRectF(r.right() - cell / 2, r.top() - cell / 2, cell, cell), 180 * 16, 90 * 16);
                p.drawArc(QRectF(r.left() - cell / 2, r.bottom() - cell / 2, cell, cell), 0, 90 * 16);
            }
        }
    }
    return img;
}

// A sailing boat on the sea under the sun, as a placeable metafile.
QByteArray sailingBoat()
{
    WmfWriter w(QRect(0, 0, 4000, 3000));
    w.noPen();
    w.brush(QColor(150, 200, 240));   // sky
    w.rectangle(QRect(0, 0, 4000, 1900));
    w.brush(QColor(255, 200, 40));    // sun
    w.ellipse(QRect(2900, 250, 600, 600));
    w.brush(QColor(255, 255, 255));   // clouds
    w.ellipse(QRect(400, 300, 900, 300));
    w.ellipse(QRect(800, 200, 700, 300));
    w.ellipse(QRect(1900, 600, 800, 260));
    w.brush(QColor(30, 90, 160));     // sea
    w.rectangle(QRect(0, 1900, 4000, 1100));
    w.brush(QColor(60, 130, 200));    // waves
    for (int i = 0; i < 7; ++i)
        w.ellipse(QRect(100 + i * 540, 2250 + (i % 2) * 250, 600, 160));
    w.brush(QColor(140, 70, 30));     // hull
    w.polygon({QPoint(1100, 2000), QPoint(2900, 2000), QPoint(2550, 2400), QPoint(1450, 2400)});
    w.brush(QColor(90, 50, 20));      // mast
    w.rectangle(QRect(1960, 600, 80, 1400));
    w.brush(QColor(250, 250, 240));   // sails
    w.polygon({QPoint(1940, 650), QPoint(1940, 1900), QPoint(1200, 1900)});
    w.brush(QColor(220, 60, 50));
    w.polygon({QPoint(2060, 800), QPoint(2060, 1900), QPoint(2700, 1900)});
    w.pen(QColor(20, 40, 80), 20);    // a flag line on top
    w.brush(QColor(255, 220, 0));
    w.polygon({QPoint(2040, 600), QPoint(2340, 680), QPoint(2040, 760)});
    return w.data();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_pictures <picture library folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "make_pictures: cannot create %s\n", argv[1]);
        return 1;
    }
    const QDir dir(folder);
    bool ok = saveImage(dir.filePath(QStringLiteral("Landschaft.jpg")), landscape(), "JPEG", 90);
    ok = saveImage(dir.filePath(QStringLiteral("Muster.jpg")), pattern(), "JPEG", 92) && ok;
    ok = saveImage(dir.filePath(QStringLiteral("Farbenspiel.jpg")), abstractColors(), "JPEG", 90) && ok;
    ok = saveImage(dir.filePath(QStringLiteral("Mosaik.bmp")), mosaic(), "BMP") && ok;
    ok = saveBytes(dir.filePath(QStringLiteral("Segelboot.wmf")), sailingBoat()) && ok;
    return ok ? 0 : 1;
}
