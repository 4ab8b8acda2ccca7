#pragma once
// Test pictures made in the tests: a four-colour picture in JPEG, bitmap, GIF
// and metafile form, and helpers to write them.
#include "pictures/WmfWriter.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QVector>

namespace Samples {

// The four quadrant colours: top left, top right, bottom left, bottom right.
inline QVector<QColor> quadrantColors()
{
    return {QColor(220, 30, 30), QColor(30, 180, 40), QColor(30, 60, 220), QColor(240, 220, 20)};
}

inline QImage quadrants(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    const QVector<QColor> c = quadrantColors();
    QPainter p(&img);
    p.fillRect(0, 0, w / 2, h / 2, c[0]);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, c[1]);
    p.fillRect(0, h / 2, w / 2, h - h / 2, c[2]);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, c[3]);
    return img;
}

inline QByteArray encoded(const QImage &img, const char *format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format, quality);
    return bytes;
}

// A GIF written by hand (Qt reads GIF but cannot write it). Each frame is a
// list of palette indices, row by row, into a four-colour global palette.
// The LZW data uses 3-bit codes only: a clear code after every two pixels
// keeps the code table from growing.
inline QByteArray gif(int w, int h, const QVector<QColor> &palette, const QVector<QVector<int>> &frames)
{
    QByteArray out("GIF89a");
    auto put16 = [&out](int v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    put16(w);
    put16(h);
    out.append(char(0x81));   // global palette of 4 entries
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 4; ++i) {
        const QColor c = i < palette.size() ? palette[i] : QColor(Qt::black);
        out.append(char(c.red()));
        out.append(char(c.green()));
        out.append(char(c.blue()));
    }
    for (const QVector<int> &indices : frames) {
        // graphic control: no transparency, short delay
        out.append("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);
        out.append(char(0x2C));
        put16(0);
        put16(0);
        put16(w);
        put16(h);
        out.append(char(0));
        out.append(char(2));   // LZW minimum code size
        QByteArray data;
        quint32 acc = 0;
        int bits = 0;
        auto code = [&](int c) {
            acc |= quint32(c) << bits;
            bits += 3;
            while (bits >= 8) {
                data.append(char(acc & 0xFF));
                acc >>= 8;
                bits -= 8;
            }
        };
        for (int i = 0; i < indices.size(); ++i) {
            if (i % 2 == 0)
                code(4);   // clear
            code(indices[i]);
        }
        code(5);           // end of information
        if (bits > 0)
            data.append(char(acc & 0xFF));
        for (int at = 0; at < data.size(); at += 255) {
            const QByteArray block = data.mid(at, 255);
            out.append(char(block.size()));
            out.append(block);
        }
        out.append(char(0));
    }
    out.append(char(0x3B));
    return out;
}

// Palette indices of a w x h picture in four quadrants 0, 1, 2, 3.
inline QVector<int> quadrantIndices(int w, int h, int rotate = 0)
{
    QVector<int> v;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            v << ((x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0) + rotate) % 4;
    return v;
}

// A metafile 2000 x 1000 units: the left half a red rectangle, the right
// half a blue triangle over its upper-right corner, the rest white paper.
inline QByteArray wmf(bool placeable)
{
    WmfWriter w(QRect(0, 0, 2000, 1000), placeable);
    w.noPen();
    w.brush(QColor(200, 0, 0));
    w.rectangle(QRect(0, 0, 1000, 1000));
    w.brush(QColor(0, 0, 200));
    w.polygon({QPoint(1000, 0), QPoint(2000, 0), QPoint(2000, 1000)});
    return w.data();
}

inline bool near(const QColor &a, const QColor &b, int tolerance = 30)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace Samples
