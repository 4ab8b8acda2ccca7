// Benchmark of cutting and of start-up.
//
//   cut_bench            runs everything and prints the figures
//
// It makes a 6000 x 4000 JPEG and an ordinary 1600 x 1200 one, times
// `djpeg -scale 1/8` on the large one, then launches itself (each measurement
// in a fresh process, so that the peak memory is that of the game alone):
//   --make-jpeg PATH W H     writes a test JPEG
//   --cut FOLDER             start-up, then "Neu" three times, with the
//                            picture named in FOLDER/p.cxa; prints times and
//                            peak resident memory
//   --startup FOLDER T0      start-up until the board is first painted; T0 is
//                            the launcher's CLOCK_MONOTONIC in ns at launch
//                            (FOLDER is a program folder as the build lays it
//                            out, with the program's icons)
//   (--startup FOLDER T0 MS runs on for MS milliseconds after the first
//   paint and prints the peak resident memory instead; --startup FOLDER T0
//   mapped ends at the main window's first paint, whatever it shows: the
//   window mapped and drawn, as bare_window's)
// Its floor is bare_window, a Qt program with nothing but a window.
#include "base/ProgramFolder.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "app/BoardView.h"

#include "Measure.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

using Measure::monotonicNs;
using Measure::peakRssKb;

namespace {

int makeJpeg(const QString &path, int w, int h)
{
    // Drawn in strips so that the generator itself stays small; a photo-like
    // mix of gradients and detail keeps the JPEG of realistic size.
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(30, 90, 160));
    g.setColorAt(0.5, QColor(220, 200, 120));
    g.setColorAt(1, QColor(40, 120, 60));
    p.fillRect(img.rect(), g);
    for (int i = 0; i < 400; ++i) {
        p.setPen(QColor::fromHsv((i * 37) % 360, 180, 200));
        p.drawEllipse(QPoint((i * 7919) % w, (i * 104729) % h), 20 + i % 200, 10 + i % 90);
    }
    p.end();
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    return writer.write(img) ? 0 : 1;
}

void writeReference(const QString &folder, const QString &picture)
{
    QFile f(folder + QStringLiteral("/p.cxa"));
    if (f.open(QIODevice::WriteOnly))
        f.write(picture.toUtf8() + "\r\n");
}

int cutChild(int argc, char **argv, const QString &folder)
{
    QApplication app(argc, argv);
    ProgramFolder::setPath(folder);
    QElapsedTimer t;
    t.start();
    frmMain w;
    w.Form_Load();
    const double loadMs = t.nsecsElapsed() / 1e6;
    QVector<double> news;
    for (int i = 0; i < 3; ++i) {
        t.restart();
        w.mnuNew_Click();
        news << t.nsecsElapsed() / 1e6;
    }
    std::sort(news.begin(), news.end());
    std::printf("startup_with_cut_ms=%.1f new_game_ms=%.1f peak_rss_kb=%ld\n", loadMs, news[1], peakRssKb());
    return 0;
}

class FirstPaint : public QObject
{
public:
    qint64 t0;
    // After the first paint: quit at once (the time to the board), or run on
    // for five seconds (the memory of the first seconds).
    static inline int settleMs = 0;
    static inline qint64 launched = 0;
    explicit FirstPaint(qint64 launched) : t0(launched) {}
    bool eventFilter(QObject *o, QEvent *e) override
    {
        // The board paints before its tiles are placed; only the tiles count.
        if (auto *board = qobject_cast<BoardView *>(o); board && board->picture(14).isNull())
            return false;
        if (e->type() == QEvent::Paint && settleMs > 0) {
            o->removeEventFilter(this);
            QTimer::singleShot(settleMs, [] {
                std::printf("peak_rss_kb=%ld\n", peakRssKb());
                std::fflush(stdout);
                std::_Exit(0);
            });
            return false;
        }
        if (e->type() == QEvent::Paint) {
            const qint64 now = monotonicNs();
            std::printf("first_board_paint_ms=%.1f peak_rss_kb=%ld\n", (now - t0) / 1e6, peakRssKb());
            std::fflush(stdout);
            // The process ends here: what it would do on closing (waiting
            // for the solver's tables, say) is not part of the start.
            std::_Exit(0);
            o->removeEventFilter(this);
        }
        return false;
    }
};

// The first paint of anything in the main window: the window is mapped and
// drawn, its board perhaps not yet.
class FirstWindowPaint : public QObject
{
public:
    QWidget *window = nullptr;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType() && static_cast<QWidget *>(o)->window() == window) {
            std::printf("first_window_paint_ms=%.1f\n", (monotonicNs() - FirstPaint::launched) / 1e6);
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }
};

int mappedChild(int argc, char **argv, const QString &folder, qint64 t0)
{
    ProgramFolder::setPath(folder);
    FirstPaint::launched = t0;
    FirstWindowPaint probe;
    return Startup::run(argc, argv, [&probe](frmMain &w) {
        probe.window = &w;
        qApp->installEventFilter(&probe);
    });
}

int startupChild(int argc, char **argv, const QString &folder, qint64 t0)
{
    // The game's own start-up routine, watched until the board is painted.
    ProgramFolder::setPath(folder);
    FirstPaint probe(t0);
    return Startup::run(argc, argv, [&probe](frmMain &w) {
        // the board's paint with the tile placed last means the board is shown
        w.Frame1()->installEventFilter(&probe);
    });
}

QString runChild(const QStringList &args)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), args);
    p.waitForFinished(600000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

double timeDjpeg(const QString &jpeg)
{
    QVector<double> runs;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        QProcess p;
        p.start(QStringLiteral("djpeg"), {"-scale", "1/8", "-outfile", "/dev/null", jpeg});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return -1;
        runs << t.nsecsElapsed() / 1e6;
    }
    std::sort(runs.begin(), runs.end());
    return runs[2];
}

} // namespace

int main(int argc, char **argv)
{
    const QStringList args = [&] {
        QStringList l;
        for (int i = 1; i < argc; ++i)
            l << QString::fromLocal8Bit(argv[i]);
        return l;
    }();
    if (args.size() == 4 && args[0] == "--make-jpeg")
        return makeJpeg(args[1], args[2].toInt(), args[3].toInt());
    if (args.size() == 2 && args[0] == "--cut")
        return cutChild(argc, argv, args[1]);
    if (args.size() == 4 && args[0] == "--startup" && args[3] == QLatin1String("mapped"))
        return mappedChild(argc, argv, args[1], args[2].toLongLong());
    if (args.size() >= 3 && args[0] == "--startup") {
        FirstPaint::settleMs = args.value(3).toInt();
        return startupChild(argc, argv, args[1], args[2].toLongLong());
    }

    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Images/originale"));
    const QString big = dir.path() + QStringLiteral("/large.jpg");
    const QString ordinary = dir.path() + QStringLiteral("/ordinary.jpg");
    runChild({"--make-jpeg", big, "6000", "4000"});
    runChild({"--make-jpeg", ordinary, "1600", "1200"});
    std::printf("platform: %s\n", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "xcb" : qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("large JPEG 6000x4000: %lld bytes\n", QFileInfo(big).size());

    const double djpeg = timeDjpeg(big);
    std::printf("djpeg -scale 1/8 (median of 5): %.1f ms\n", djpeg);

    writeReference(dir.path(), big);
    std::printf("cut and place, large JPEG: %s\n", qPrintable(runChild({"--cut", dir.path()})));

    // The program's icons, as in the program folder the build lays out.
    const QDir built(QCoreApplication::applicationDirPath() + QStringLiteral("/../Zandor"));
    for (const QString &icon : built.entryList({QStringLiteral("zandor*.png")}, QDir::Files))
        QFile::copy(built.filePath(icon), dir.filePath(icon));
    writeReference(dir.path(), ordinary);
    for (int i = 0; i < 3; ++i)
        std::printf("start-up, 1600x1200 JPEG: %s\n",
                    qPrintable(runChild({"--startup", dir.path(), QString::number(monotonicNs())}).replace('\n', ' ')));
    return 0;
}
