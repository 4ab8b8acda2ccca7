// How soon a move is on the disk: the time from a move until laufend.sav
// holds it (written through the atomic writer, synced), for a move after a
// pause and for the last move of a quick run of moves (the writes are at
// most once a second). The game runs in the game controller, no window.
//
//   kept_bench [FOLDER] [ROUNDS]   FOLDER: where to keep the game (default
//                                  a temporary folder; give one on the disk
//                                  that matters, tmpfs syncs nothing)
#include "app/GameController.h"
#include "base/ProgramFolder.h"
#include "saves/SavedGame.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// One move: the first tile beside the empty field is dropped into it.
void move(GameController &game)
{
    using A = GameSession::Arrow;
    for (A a : {A::Left, A::Right, A::Up, A::Down})
        if (const auto source = game.session().arrowSource(a))
            return game.drop(*source, game.session().board().emptyField(), false);
}

// Milliseconds from now until the kept file holds the game as it stands.
double untilKept(GameController &game, const QString &file)
{
    const QByteArray wanted = SavedGame(game.session().savedState()).toBytes();
    QElapsedTimer t;
    t.start();
    const bool kept = QTest::qWaitFor([&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) && f.readAll() == wanted;
    }, 10000);
    return kept ? t.nsecsElapsed() / 1e6 : -1;   // -1: not kept within ten seconds
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir tmp(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/kept-XXXXXX") : QString());
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 11;
    QImage picture(416, 416, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QFile ref(tmp.filePath(QStringLiteral("p.cxa")));
    if (!picture.save(tmp.filePath(QStringLiteral("bild.bmp")), "BMP") || !ref.open(QIODevice::WriteOnly)
        || ref.write(tmp.filePath(QStringLiteral("bild.bmp")).toLocal8Bit() + "\r\n") <= 0)
        return 1;
    ref.close();
    ProgramFolder::setPath(tmp.path());
    GameController game;
    game.start();
    if (!QTest::qWaitFor([&] { return game.session().placed(); }, 10000))
        return 1;
    const QString file = ProgramFolder::file(QLatin1String(KeptGame::FileName));
    std::vector<double> alone, burst;
    for (int i = 0; i < rounds; ++i) {
        QTest::qWait(1200);   // the last write a second ago: the move is written at once
        move(game);
        alone.push_back(untilKept(game, file));
        QTest::qWait(1200);
        for (int k = 0; k < 10; ++k)
            move(game), QTest::qWait(30);
        burst.push_back(untilKept(game, file));
    }
    std::printf("%d rounds: a move after a pause on the disk after %.1f ms median (%.1f worst); "
                "the last of ten quick moves after %.1f ms median (%.1f worst)\n",
                rounds, median(alone), *std::max_element(alone.begin(), alone.end()), median(burst),
                *std::max_element(burst.begin(), burst.end()));
    return 0;
}
