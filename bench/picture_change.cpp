// Benchmark of loading the pictures a picture change decodes: a 6000 x 4000
// JPEG (decoded at reduced size), two 12000 x 8340 progressive JPEGs (a
// grainy and a smooth one) and a Windows metafile (rendered by libwmf in its
// own process), each then scaled to the board and cut into the 16 tiles, the
// way the main window does it.
//
//   picture_bench                 runs everything and prints the figures
//   picture_bench --load FILE N   (internal) loads FILE N times in this
//                                 process and prints times and peak memory
//                                 (also for a file refused, such as those of
//                                 make_jpeg_bombs.py)
//
// Every file is measured in a fresh process, so the peak resident memory is
// that of the loading alone; `djpeg -scale 1/8` on the same JPEG is timed
// alongside for comparison when Debian's libjpeg-turbo-progs is installed.
#include "pictures/PictureLoader.h"
#include "pictures/TileCutter.h"
#include "pictures/WmfWriter.h"

#include "Measure.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using Measure::peakRssKb;

namespace {

constexpr int Board = 416;   // 6240 twips
constexpr int Field = 104;   // 1560 twips

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A photo-like picture: smooth gradients with fine grain (of `grain` bits),
// so the JPEG has a realistic size (several MB for 6000 x 4000 with 5 bits).
// Written pixel by pixel, which is quick.
bool makeJpeg(const QString &path, int w = 6000, int h = 4000, bool progressive = false, int grain = 5)
{
    QImage img(w, h, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> (32 - grain));
            const int r = (x * 200 / w + noise) & 255;
            const int g = (y * 180 / h + 40 + noise) & 255;
            const int b = ((x + y) * 150 / (w + h) + 60 + (noise >> 1)) & 255;
            line[x] = qRgb(r, g, b);
        }
    }
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    return writer.write(img);
}

// A drawing of many filled shapes, as clip art has them.
bool makeWmf(const QString &path)
{
    WmfWriter w(QRect(0, 0, 8000, 6000));
    w.pen(Qt::black, 10);
    for (int i = 0; i < 400; ++i) {
        w.brush(QColor::fromHsv((i * 29) % 360, 200, 230));
        const int x = (i * 7919) % 7000, y = (i * 104729) % 5000;
        switch (i % 3) {
        case 0:
            w.rectangle(QRect(x, y, 900, 700));
            break;
        case 1:
            w.ellipse(QRect(x, y, 800, 800));
            break;
        default:
            w.polygon({QPoint(x, y + 800), QPoint(x + 500, y), QPoint(x + 1000, y + 800)});
        }
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(w.data()) > 0;
}

int loadMany(const QString &file, int runs)
{
    std::vector<double> load, cut;
    QSize size;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        PictureError error = PictureError::None;
        const QImage picture = PictureLoader::load(file, QSize(Board, Board), &error);
        load.push_back(t.nsecsElapsed() / 1e6);
        if (picture.isNull()) {
            std::printf("  refused %s (reason %d) after %.1f ms; peak resident %.1f MB\n", qPrintable(file), int(error),
                        load.back(), peakRssKb() / 1024.0);
            return 1;
        }
        size = picture.size();
        t.restart();
        const QImage board = TileCutter::scaleToBoard(picture, Board);
        const std::vector<QImage> tiles = TileCutter::cut(board, 4, Field, Field);
        cut.push_back(t.nsecsElapsed() / 1e6);
        if (tiles[5].size() != QSize(Field, Field))
            return 1;
    }
    std::printf("  decoded at %d x %d; load first %.1f ms, median %.1f ms; scale and cut median %.1f ms; "
                "peak resident %.1f MB\n",
                size.width(), size.height(), load.front(), median(load), median(cut), peakRssKb() / 1024.0);
    return 0;
}

double timeDjpeg(const QString &jpeg)
{
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (djpeg.isEmpty())
        return -1;
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer t;
        t.start();
        p.start(djpeg, {QStringLiteral("-scale"), QStringLiteral("1/8"), jpeg});
        p.waitForFinished(-1);
        runs.push_back(t.nsecsElapsed() / 1e6);
    }
    return median(runs);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == QLatin1String("--load"))
        return loadMany(args[2], args[3].toInt());
    if (args.size() >= 7 && args[1] == QLatin1String("--make-jpeg"))
        return makeJpeg(args[2], args[3].toInt(), args[4].toInt(), args[5] == QLatin1String("progressive"), args[6].toInt()) ? 0 : 1;
    if (args.size() >= 3 && args[1] == QLatin1String("--make-jpeg"))
        return makeJpeg(args[2]) ? 0 : 1;

    QTemporaryDir dir;
    const QString jpeg = dir.filePath(QStringLiteral("gross.jpg"));
    const QString wmf = dir.filePath(QStringLiteral("zeichnung.wmf"));
    // drawn in a process of its own, so this one stays small
    if (QProcess::execute(app.applicationFilePath(), {QStringLiteral("--make-jpeg"), jpeg}) != 0 || !makeWmf(wmf)) {
        std::printf("cannot make the test pictures\n");
        return 1;
    }
    std::printf("6000 x 4000 JPEG (%.1f MB), board %d px:\n", QFileInfo(jpeg).size() / 1048576.0, Board);
    std::fflush(stdout);
    QProcess::execute(app.applicationFilePath(), {QStringLiteral("--load"), jpeg, QStringLiteral("10")});
    const double djpeg = timeDjpeg(jpeg);
    if (djpeg >= 0)
        std::printf("  djpeg -scale 1/8 on the same file: median %.1f ms\n", djpeg);
    // The largest photographs the game takes: a progressive one keeps all its
    // coefficients (300 MB) and must still be decoded, even when it is smooth
    // enough to take few bytes.
    for (const char *grain : {"5", "1"}) {
        const QString photo = dir.filePath(QStringLiteral("foto%1.jpg").arg(QLatin1String(grain)));
        if (QProcess::execute(app.applicationFilePath(), {QStringLiteral("--make-jpeg"), photo, QStringLiteral("12000"),
                                                          QStringLiteral("8340"), QStringLiteral("progressive"),
                                                          QLatin1String(grain)})
            != 0)
            return 1;
        std::printf("12000 x 8340 progressive JPEG (%.1f MB):\n", QFileInfo(photo).size() / 1048576.0);
        std::fflush(stdout);
        QProcess::execute(app.applicationFilePath(), {QStringLiteral("--load"), photo, QStringLiteral("1")});
        QFile::remove(photo);
    }
    std::printf("Windows metafile of 400 filled shapes (%.1f KB):\n", QFileInfo(wmf).size() / 1024.0);
    std::fflush(stdout);
    QProcess::execute(app.applicationFilePath(), {QStringLiteral("--load"), wmf, QStringLiteral("10")});
    return 0;
}
