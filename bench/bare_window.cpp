// The floor of the start-up benchmarks: a Qt program with nothing but a main
// window, linked to Qt Widgets alone.
//
//   bare_window T0 [MS]          exits at the first paint of the window's
//                                content; T0 is the launcher's
//                                CLOCK_MONOTONIC in ns at launch. With MS it
//                                runs on for MS milliseconds and prints the
//                                peak resident memory.
//   bare_window --text T0 [MS]   the same with a menu bar and a line of text:
//                                the floor of any window that shows words
#include "Measure.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>

using Measure::monotonicNs;
using Measure::peakRssKb;

namespace {

qint64 t0 = 0;
int settleMs = 0;

class Content : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        if (settleMs > 0) {
            QTimer::singleShot(settleMs, [] {
                std::printf("peak_rss_kb=%ld\n", peakRssKb());
                std::fflush(stdout);
                std::_Exit(0);
            });
            settleMs = 0;
            return;
        }
        const qint64 now = monotonicNs();
        std::printf("first_paint_ms=%.1f peak_rss_kb=%ld\n", (now - t0) / 1e6, peakRssKb());
        std::fflush(stdout);
        std::_Exit(0);
    }
};

} // namespace

int main(int argc, char **argv)
{
    int arg = 1;
    const bool withText = argc > arg && QByteArray(argv[arg]) == "--text";
    if (withText)
        ++arg;
    t0 = argc > arg ? std::atoll(argv[arg]) : 0;
    settleMs = argc > arg + 1 ? std::atoi(argv[arg + 1]) : 0;

    QApplication app(argc, argv);
    QMainWindow w;
    auto *content = new Content;
    w.setCentralWidget(content);
    if (withText) {
        w.menuBar()->addMenu(QStringLiteral("Spiel"));
        new QLabel(QStringLiteral("Züge: 0"), content);
    }
    w.resize(680, 493);
    w.show();
    return app.exec();
}
