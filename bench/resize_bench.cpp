// Benchmark of the board during a live resize, as the player sees it.
//
//   resize_bench [--frames N] [--settles N]
//
// Run it on a real display (an X server, Xvfb will do). The board widget is
// resized step by step from its first size to nearly three times as large
// and back (N frames, 400), each step painted and put on the screen at once,
// with the tiles of the first size scaled to the fields as during a window
// resize; then the same steps with tiles already of each size (what the
// board paints once the tiles are cut anew). Frames per second, median and
// slowest frame of each.
//
// Then N times (20) a resize to a new size, and the time from the last
// change of size to the board asking for tiles of the new size.
#include "app/BoardView.h"
#include "app/frmMain.h"
#include "base/ProgramFolder.h"

#include "Measure.h"
#include "pictures/TileCutter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Measure::median;
using Measure::waitFor;

QImage squares(int side)
{
    QImage picture(side, side, QImage::Format_RGB32);
    QPainter p(&picture);
    p.fillRect(picture.rect(), QLinearGradient(0, 0, side, side));
    for (int k = 0; k < 16; ++k)
        p.fillRect(k % 4 * side / 4 + side / 16, k / 4 * side / 4 + side / 16, side / 8, side / 8,
                   QColor::fromHsv(k * 22, 200, 220));
    return picture;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int frames = 400, settles = 20;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--frames"))
            frames = args[++i].toInt();
        else if (args[i] == QLatin1String("--settles"))
            settles = args[++i].toInt();
    }

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Images/originale"));
    const QString file = dir.filePath(QStringLiteral("bild.bmp"));
    squares(416).save(file, "BMP");
    QFile ref(dir.filePath(QStringLiteral("p.cxa")));
    if (!ref.open(QIODevice::WriteOnly) || ref.write(file.toLocal8Bit() + "\r\n") <= 0)
        return 1;
    ref.close();
    ProgramFolder::setPath(dir.path());

    frmMain w;
    w.Form_Load();
    BoardView *board = w.Frame1();
    if (!waitFor([&] { return w.boardPlaced(); }, 60000)) {
        std::fprintf(stderr, "no board in a minute\n");
        return 1;
    }
    const qreal dpr = board->devicePixelRatioF();
    const int largest = 1100;
    w.centralWidget()->setFixedSize(largest + 40, largest + 40);
    board->raise();
    waitFor([&] { return w.height() > largest; }, 5000);
    std::printf("platform %s, scale %.2f, screen %dx%d, refresh %.1f Hz\n", qPrintable(QGuiApplication::platformName()), dpr,
                w.screen()->geometry().width(), w.screen()->geometry().height(), w.screen()->refreshRate());

    // The sizes of a resize to nearly three times the first size and back.
    std::vector<int> sizes;
    for (int i = 0; i < frames; ++i) {
        const int half = frames / 2;
        const int step = i < half ? i : frames - 1 - i;
        sizes.push_back(416 + (largest - 416) * step / std::max(1, half - 1));
    }
    std::vector<QImage> tiles(17);
    auto cutAt = [&](int logical) {
        const int field = int(logical * dpr) / 4;
        const auto cut = TileCutter::cut(squares(field * 4), 4, field, field);
        std::copy(cut.begin(), cut.end() - 1, tiles.begin());
        board->setTiles(tiles, cut.back());
    };
    for (bool recut : {false, true}) {
        cutAt(416);
        std::vector<double> frameMs;
        QElapsedTimer all;
        all.start();
        for (int size : sizes) {
            if (recut)
                cutAt(size);
            QElapsedTimer t;
            t.start();
            board->resize(size, size);
            board->repaint();   // painted and flushed to the screen now
            frameMs.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        const double total = double(all.nsecsElapsed()) / 1e6;
        double painted = 0;
        for (double ms : frameMs)
            painted += ms;
        std::printf("%s: %zu frames, %.0f frames per second (resize and paint only), frame %.2f ms median, %.2f slowest "
                    "(%.0f ms in all)\n",
                    recut ? "tiles of each size" : "tiles scaled      ", frameMs.size(), 1000.0 * frameMs.size() / painted,
                    median(frameMs), *std::max_element(frameMs.begin(), frameMs.end()), total);
    }

    cutAt(416);
    board->resize(416, 416);
    waitFor([] { return false; }, 2 * BoardView::SettleMillis);
    std::vector<double> settleMs;
    QElapsedTimer clock;
    clock.start();
    qint64 asked = -1;
    QObject::connect(board, &BoardView::fieldSizeSettled, board, [&](QSize side) {
        asked = clock.nsecsElapsed();
        const auto cut = TileCutter::cut(squares(side.width() * 4), 4, side.width(), side.width());
        std::copy(cut.begin(), cut.end() - 1, tiles.begin());
        board->setTiles(tiles, cut.back());
    });
    for (int i = 0; i < settles; ++i) {
        // A few steps, as a hand resizes, then the size stays.
        const int target = 500 + (i * 37) % 500;
        for (int s = board->width(); s != target; s += (target > s ? 1 : -1) * std::min(std::abs(target - s), 20)) {
            board->resize(s, s);
            board->repaint();
        }
        board->resize(target, target);
        board->repaint();
        const qint64 last = clock.nsecsElapsed();
        asked = -1;
        if (!waitFor([&] { return asked >= 0; }, 5000)) {
            std::fprintf(stderr, "no request for tiles after a resize to %d\n", target);
            return 1;
        }
        settleMs.push_back(double(asked - last) / 1e6);
    }
    std::printf("%d resizes: last change of size to the request for new tiles %.1f ms median, %.1f worst "
                "(settling time %d ms)\n",
                settles, median(settleMs), *std::max_element(settleMs.begin(), settleMs.end()), BoardView::SettleMillis);
    return 0;
}
