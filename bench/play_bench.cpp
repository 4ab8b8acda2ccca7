// Benchmark of play in the main window, as the player sees it.
//
//   play_bench [--slides N] [--deals N]
//
// Run it on a real display (an X server, Xvfb will do): the frames counted
// are the paints the board gets.
//
// Slides: N clicks (20) on the tile farthest from the empty field in its
// row or column; for each, the time from the click to the paint that shows
// the slide ended, and the paints of the board in between (frames per slide
// and per second).
//
// "Lösung zeigen": N random deals (100), each dealt with "Neu" and at once
// asked for the solution, while the best value of the same deal is being
// searched as in play; the time from the command to the first move played,
// median and worst. The solver's tables are made (or read from solver.pdb
// in a temporary program folder) before the first measurement.
#include "app/BoardView.h"
#include "app/frmMain.h"
#include "base/ProgramFolder.h"

#include "Measure.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Counts the paints a widget gets, and times the last one.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    QElapsedTimer clock;
    qint64 lastPaintNs = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints, lastPaintNs = clock.nsecsElapsed();
        return false;
    }
};

using Measure::median;
using Measure::waitFor;

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int slides = 20, deals = 100;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--slides"))
            slides = args[++i].toInt();
        else if (args[i] == QLatin1String("--deals"))
            deals = args[++i].toInt();
    }

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Images/originale"));
    QImage picture(416, 416, QImage::Format_RGB32);
    QPainter(&picture).fillRect(picture.rect(), QLinearGradient(0, 0, 416, 416));
    for (int k = 0; k < 16; ++k)
        QPainter(&picture).fillRect(k % 4 * 104, k / 4 * 104, 104, 104, QColor::fromHsv(k * 22, 200, 220));
    const QString file = dir.filePath(QStringLiteral("bild.bmp"));
    picture.save(file, "BMP");
    QFile ref(dir.filePath(QStringLiteral("p.cxa")));
    if (!ref.open(QIODevice::WriteOnly) || ref.write(file.toLocal8Bit() + "\r\n") <= 0)
        return 1;
    ref.close();
    ProgramFolder::setPath(dir.path());

    frmMain w;
    w.Form_Load();
    BoardView *board = w.Frame1();
    // The tables made and the first best value known: nothing else runs.
    if (!waitFor([&] { return w.lblBestwert()->text().contains(QRegularExpression(QStringLiteral("\\d"))); }, 120000)) {
        std::fprintf(stderr, "no best value in two minutes\n");
        return 1;
    }
    std::printf("platform %s, screen refresh %.1f Hz, slide %d ms\n", qPrintable(QGuiApplication::platformName()),
                w.screen()->refreshRate(), BoardView::SlideMillis);

    PaintCounter counter;
    board->installEventFilter(&counter);
    std::vector<double> slideMs, frames;
    for (int i = 0; i < slides; ++i) {
        const int empty = w.session().board().emptyField();
        // The farthest field of the empty field's row, then of its column.
        const int field = i % 2 ? (empty / 4) * 4 + (empty % 4 < 2 ? 3 : 0) : (empty / 4 < 2 ? 12 : 0) + empty % 4;
        counter.paints = 0;
        counter.clock.start();
        QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier, board->fieldRect(field).center());
        if (!board->sliding())
            continue;
        waitFor([&] { return !board->sliding(); }, 5000);
        // The paint after the slide's end shows every tile on its field.
        waitFor([] { return false; }, 60);
        slideMs.push_back(double(counter.lastPaintNs) / 1e6);
        frames.push_back(counter.paints);
    }
    if (!slideMs.empty())
        std::printf("%zu slides: click to the last frame %.1f ms median, %.1f worst; %.1f frames per slide "
                    "median (%.0f per second)\n",
                    slideMs.size(), median(slideMs), *std::max_element(slideMs.begin(), slideMs.end()),
                    median(frames), median(frames) * 1000.0 / median(slideMs));
    board->removeEventFilter(&counter);

    std::vector<double> firstMove;
    for (int i = 0; i < deals; ++i) {
        w.mnuNew->trigger();
        QElapsedTimer t;
        t.start();
        w.mnuSolution->trigger();
        if (!waitFor([&] { return w.zuege() > 0; }, 120000)) {
            std::fprintf(stderr, "deal %d: no move in two minutes\n", i);
            return 1;
        }
        firstMove.push_back(double(t.nsecsElapsed()) / 1e6);
        w.mnuSolution->trigger();   // stops it
    }
    if (!firstMove.empty())
        std::printf("%d deals, \"Lösung zeigen\" to the first move: %.1f ms median, %.1f ms worst\n", deals,
                    median(firstMove), *std::max_element(firstMove.begin(), firstMove.end()));
    return 0;
}
