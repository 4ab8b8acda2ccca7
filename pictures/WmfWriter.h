#pragma once
// A small writer of Windows metafiles: enough records to draw filled
// rectangles, ellipses and polygons with solid brushes and pens. The picture
// generator of the program folder, the tests and the benchmark make their
// metafiles with it. Header only, needs nothing but QtCore.
#include <QByteArray>
#include <QtEndian>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QVector>

class WmfWriter
{
public:
    // A metafile whose logical coordinates run over `window`. With
    // placeable = true the file starts with the 22-byte placeable header,
    // which gives the picture's bounds and `unitsPerInch`.
    explicit WmfWriter(const QRect &window, bool placeable = true, quint16 unitsPerInch = 1440)
        : m_window(window), m_placeable(placeable), m_inch(unitsPerInch)
    {
        // SETWINDOWORG and SETWINDOWEXT take y before x.
        record(0x020B, {w(window.top()), w(window.left())});
        record(0x020C, {w(window.height()), w(window.width())});
    }

    // Selects a solid brush of colour c for the shapes that follow.
    void brush(const QColor &c)
    {
        const quint32 ref = colorRef(c);
        record(0x02FC, {0 /* BS_SOLID */, quint16(ref & 0xFFFF), quint16(ref >> 16), 0});
        selectNew();
    }
    // Selects the null brush: shapes are outlined only.
    void noBrush()
    {
        record(0x02FC, {1 /* BS_NULL */, 0, 0, 0});
        selectNew();
    }
    // Selects a solid pen of colour c and the given width.
    void pen(const QColor &c, int width = 1)
    {
        const quint32 ref = colorRef(c);
        record(0x02FA, {0 /* PS_SOLID */, w(width), 0, quint16(ref & 0xFFFF), quint16(ref >> 16)});
        selectNew();
    }
    // Selects the null pen: shapes are filled only.
    void noPen()
    {
        record(0x02FA, {5 /* PS_NULL */, 0, 0, 0, 0});
        selectNew();
    }

    // Rectangle and ellipse take bottom, right, top, left (right and bottom
    // exclusive, as the format counts them).
    void rectangle(const QRect &r)
    {
        record(0x041B, {w(r.bottom() + 1), w(r.right() + 1), w(r.top()), w(r.left())});
    }
    void ellipse(const QRect &r)
    {
        record(0x0418, {w(r.bottom() + 1), w(r.right() + 1), w(r.top()), w(r.left())});
    }
    void polygon(const QVector<QPoint> &points)
    {
        QVector<quint16> params{w(int(points.size()))};
        for (const QPoint &p : points)
            params << w(p.x()) << w(p.y());
        record(0x0324, params);
    }

    // Appends a record with any function number and parameter words (tests
    // use it to write damaged files).
    void record(quint16 function, const QVector<quint16> &params)
    {
        switch (function) {
        case 0x00F7: case 0x01F9: case 0x0142: case 0x02FA: case 0x02FB: case 0x02FC: case 0x06FF:
            ++m_objects;   // the create records each take a slot
            break;
        default:
            break;
        }
        const quint32 size = 3 + quint32(params.size());
        m_maxRecord = qMax(m_maxRecord, size);
        put32(m_records, size);
        put16(m_records, function);
        for (quint16 p : params)
            put16(m_records, p);
    }

    // The whole file: headers, records and the end-of-file record.
    QByteArray data() const
    {
        QByteArray records = m_records;
        put32(records, 3);
        put16(records, 0x0000);

        QByteArray out;
        if (m_placeable) {
            QByteArray ph;
            put32(ph, 0x9AC6CDD7u);
            put16(ph, 0);
            put16(ph, w(m_window.left()));
            put16(ph, w(m_window.top()));
            put16(ph, w(m_window.left() + m_window.width()));
            put16(ph, w(m_window.top() + m_window.height()));
            put16(ph, m_inch);
            put32(ph, 0);
            quint16 sum = 0;
            for (int i = 0; i < 20; i += 2)
                sum ^= qFromLittleEndian<quint16>(ph.constData() + i);
            put16(ph, sum);
            out += ph;
        }
        const quint32 totalWords = 9 + quint32(records.size() / 2);
        put16(out, 1);       // metafile in a file
        put16(out, 9);       // header size in words
        put16(out, 0x0300);  // version
        put32(out, totalWords);
        put16(out, quint16(m_objects));
        put32(out, qMax<quint32>(m_maxRecord, 3));
        put16(out, 0);
        out += records;
        return out;
    }

private:
    static quint16 w(int v) { return quint16(qint16(v)); }
    static quint32 colorRef(const QColor &c)
    {
        return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
    }
    static void put16(QByteArray &b, quint16 v)
    {
        char bytes[2];
        qToLittleEndian(v, bytes);
        b.append(bytes, 2);
    }
    static void put32(QByteArray &b, quint32 v)
    {
        char bytes[4];
        qToLittleEndian(v, bytes);
        b.append(bytes, 4);
    }
    // Every object goes into the next free slot of the object table and is
    // selected at once; nothing is deleted, so slot n is the n-th object.
    void selectNew() { record(0x012D, {quint16(m_objects - 1)}); }

    QRect m_window;
    bool m_placeable;
    quint16 m_inch;
    QByteArray m_records;
    quint32 m_maxRecord = 3;
    int m_objects = 0;
};
