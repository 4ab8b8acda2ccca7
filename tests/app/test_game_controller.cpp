// The running game without any window (a QGuiApplication: a widget could
// not even be made): the kept game, whole games taken back, the searches
// and the picture jobs.
#include "app/GameController.h"
#include "app/QuitSignals.h"
#include "base/FileAccess.h"
#include "GameTestSupport.h"

#include <QGuiApplication>
#include <QMutex>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <csignal>

using namespace TestSupport;

namespace {

using A = GameSession::Arrow;

// A game in a program folder: the controller started, its board placed.
struct Game
{
    std::unique_ptr<GameController> c = std::make_unique<GameController>();
    explicit Game(KeptGame::Writer kept = {}, SettingsFile::Writer settings = {}, bool hold = false)
    {
        c->setWriters(std::move(kept), std::move(settings));
        c->setBoardPixels(416, 1);
        if (hold)
            c->holdSearchesUntilPainted();
        c->start();
        placed();
    }
    bool placed() const { return QTest::qWaitFor([this] { return c->session().placed(); }, 10000); }
    const GameSession &s() const { return c->session(); }
    // One move: a tile next to the empty field is dropped (or clicked) into it.
    void move(bool click = false) const
    {
        for (A a : {A::Left, A::Right, A::Up, A::Down})
            if (const auto source = s().arrowSource(a))
                return click ? c->click(*source) : c->drop(*source, s().board().emptyField(), false);
    }
    void place(QVector<qint16> layout) const
    {
        layout.resize(17);
        c->ZArray_setzen(layout);
        c->Bilder_Laden(Board::Placement::LoadedGame);
    }
    // Fields showing their own tile's square of the test picture.
    int ownSquares() const
    {
        int n = 0;
        for (int i = 0; i < 16; ++i)
            n += s().board().hasPicture(i) && tileShown(c->tiles()[s().board().picture(i)]) == s().board().tile(i);
        return n;
    }
};

QByteArray kept(const ProgramDir &dir) { return dir.read(QLatin1String(KeptGame::FileName)); }
QByteArray settingsFile(const ProgramDir &dir) { return dir.read(QLatin1String(SettingsFile::FileName)); }

// A board of side x side fields one move from home: the last tile beside the empty field.
QVector<qint16> nearlyHome(int side) { return swapped(solvedLayout(side), side * side - 2, side * side - 1); }
QByteArray bytesOf(const GameState &state) { return SavedGame(state).toBytes(); }

} // namespace

class TestGameController : public QObject
{
    Q_OBJECT
private slots:
    // However the game ends, the next start brings it back without a word:
    // board, count, switches, picture.
    void keptGameComesBack_data()
    {
        QTest::addColumn<QString>("end");
        for (const char *end : {"window closed", "session ends", "controller gone", "killed 2 s after the move", "SIGTERM"})
            QTest::newRow(end) << QString::fromLatin1(end);
    }
    void keptGameComesBack()
    {
        QFETCH(QString, end);
        ProgramDir dir;
        GameState before;
        {
            Game g;
            g.move(), g.move();
            g.c->togglePosition(), g.c->togglePreview();
            before = g.s().savedState();
            QVERIFY(before.zuege == 2 && before.posAnz && before.imgvis && before.bild == dir.path("squares.bmp"));
            if (end == "window closed") {
                g.c->close();
            } else if (end == "session ends") {
                g.c->keepNow();
            } else if (end == "controller gone") {
                g.c.reset();
            } else if (end == "SIGTERM") {
                QuitSignals quit;
                connect(&quit, &QuitSignals::received, g.c.get(), &GameController::close);
                std::raise(SIGTERM);
                QTRY_VERIFY(g.c->closed());
            }
            if (end.startsWith("killed"))
                QTRY_COMPARE_WITH_TIMEOUT(kept(dir), bytesOf(before), 2000);
            QCOMPARE(kept(dir), bytesOf(before));
        }
        Game again;
        QSignalSpy told(again.c.get(), &GameController::pictureNotFound);
        const GameState now = again.s().savedState();
        QVERIFY(now.fields == before.fields && now.zuege == 2 && now.posAnz && now.imgvis && now.bild == before.bild);
        QVERIFY(again.ownSquares() == 15 && told.isEmpty());
    }

    // A won game is not kept; a kept file that does not read is set aside
    // under a free name, never deleted (nor one set aside before). Either
    // way the next start deals anew.
    void nextStartDealsAnew_data()
    {
        QTest::addColumn<QByteArray>("content");   // "won": a won game; "folder": a folder in the file's place
        QTest::newRow("won") << QByteArray("won");
        QTest::newRow("garbage") << QByteArray("kein Spiel\r\n");
        QTest::newRow("cut short") << bytesOf({solvedLayout(), 3, false, false, "x", false}).left(30);
        QTest::newRow("folder") << QByteArray("folder");
    }
    void nextStartDealsAnew()
    {
        QFETCH(QByteArray, content);
        const QString setAside = QStringLiteral("laufend.sav.defekt.2");
        ProgramDir dir;
        const QString file = dir.path(QLatin1String(KeptGame::FileName));
        QVERIFY(writeAll(dir.path("laufend.sav.defekt"), "alt"));
        if (content == "won") {
            Game g;
            g.place(swapped(solvedLayout(), 14, 15));
            QTRY_VERIFY(QFile::exists(file));
            g.move();
            QVERIFY(g.s().fertig());
            QTRY_VERIFY(!QFile::exists(file));
            g.c->newGame();   // a finished game does not come back
            QVERIFY(g.placed() && g.c->canTakeBack() == GameController::TakeBack::Nothing);
        } else if (content == "folder") {
            QVERIFY(QDir().mkpath(file));
        } else {
            QVERIFY(writeAll(file, content));
        }
        Game g;
        QVERIFY(g.s().zuege() == 0 && g.s().board().layout() != solvedLayout());
        if (content != "won")
            QVERIFY(content == "folder" ? QFileInfo(dir.path(setAside)).isDir() : dir.read(setAside) == content);
        QCOMPARE(dir.read("laufend.sav.defekt"), QByteArray("alt"));
        QTRY_COMPARE(kept(dir), bytesOf(g.s().savedState()));
    }

    // Moves never wait for the disk: the game is written off the window's
    // thread, at most once a second, the last state always. A write that
    // fails is told once and the game goes on; one that works again ends it.
    void keptGameWrites()
    {
        ProgramDir dir;
        QMutex lock;
        QVector<qint64> starts;
        bool offThread = true;
        std::atomic<bool> fail{false};
        QElapsedTimer clock;
        clock.start();
        Game g([&](const QString &path, const QByteArray &bytes) {
            {
                QMutexLocker locked(&lock);
                starts << clock.elapsed();
                offThread = offThread && QThread::currentThread() != QCoreApplication::instance()->thread();
            }
            QThread::msleep(300);   // a slow disk
            return !fail && FileAccess::writeAtomically(path, bytes);
        });
        QSignalSpy notices(g.c.get(), &GameController::noticesChanged);
        QElapsedTimer moves;
        moves.start();
        for (int i = 0; i < 12; ++i)
            g.move();
        QVERIFY(moves.elapsed() < 200 && g.s().zuege() == 12);
        QTRY_COMPARE(kept(dir), bytesOf(g.s().savedState()));
        QMutexLocker locked(&lock);
        QVERIFY(offThread && starts.size() <= 3);
        for (int i = 1; i < starts.size(); ++i)
            QVERIFY(starts[i] - starts[i - 1] >= 990);
        locked.unlock();

        fail = true;
        for (int i = 0; i < 3; ++i)
            g.move(), QTest::qWait(700);
        QTRY_VERIFY(g.c->notices() == GameController::KeptGameNotWritten);
        QCOMPARE(notices.count(), 1);
        fail = false;
        g.move();
        QTRY_COMPARE(g.c->notices(), 0);
        QCOMPARE(kept(dir), bytesOf(g.s().savedState()));
    }

    // "Bild zuschneiden": taken only when the settings file takes it; the
    // board is cut anew at once, layout and count kept, and a restart cuts
    // the same way from the same working copy.
    void cropChoice()
    {
        ProgramDir dir;
        QImage wide(832, 416, QImage::Format_RGB32);
        wide.fill(Qt::blue);
        QPainter(&wide).drawImage(208, 0, squaresPicture());
        QVERIFY(wide.save(dir.path("squares.bmp"), "BMP"));
        bool refuse = true;
        auto g = std::make_unique<Game>(KeptGame::Writer(), [&refuse](const QString &path, const QByteArray &bytes) {
            return !refuse && FileAccess::writeAtomically(path, bytes);
        });
        QSignalSpy crop(g->c.get(), &GameController::cropChanged);
        g->move();
        const QVector<qint16> layout = g->s().board().layout();
        QVERIFY(g->ownSquares() < 15);
        g->c->setCrop(true);
        QVERIFY(!g->c->crop() && crop.last().first() == false && g->c->notices() == GameController::SettingNotWritten);
        QVERIFY(!QFile::exists(dir.path("einstellungen.ini")));
        refuse = false;
        g->c->setCrop(true);
        QVERIFY(g->c->crop() && g->c->notices() == 0 && dir.read("einstellungen.ini") == "Bild zuschneiden=1\r\n");
        QTRY_COMPARE(g->ownSquares(), 15);
        QVERIFY(g->s().zuege() == 1 && g->s().board().layout() == layout);
        const QByteArray copy = FileAccess::identity(dir.path("Images/bild.jpg"));
        g.reset();
        g = std::make_unique<Game>();
        QVERIFY(g->c->crop() && g->ownSquares() == 15);
        if (!FileAccess::note(dir.path("Images/bild.jpg")).isEmpty())   // a file system that keeps notes
            QCOMPARE(FileAccess::identity(dir.path("Images/bild.jpg")), copy);
    }

    // The main window's size and state between runs: read as the settings
    // hold them (a size not a whole number within bounds is none), written
    // in one go when they change, every other line kept, and read so by the
    // next start; a state that cannot be written is told once, not taken.
    void windowStateKept()
    {
        using S = WindowSettings::State;
        struct Row { QByteArray before; S read, written; bool writable; QByteArray after; };
        const QByteArray others = "Bild zuschneiden=1\r\nfremd\r\n";
        const Row rows[] = {
            {"", {}, {QSize(900, 700), true, false}, true, "Fensterbreite=900\r\nFensterh\xF6he=700\r\nMaximiert=1\r\nVollbild=0\r\n"},
            {"Fensterbreite=1200\r\n" + others + "Fensterh\xF6he= 800\r\nMaximiert=0\r\nVollbild=1\r\n", {QSize(1200, 800), false, true},
             {QSize(1300, 800), false, true}, true, "Fensterbreite=1300\r\n" + others + "Fensterh\xF6he= 800\r\nMaximiert=0\r\nVollbild=1\r\n"},
            {"Fensterbreite=9x9\r\nFensterh\xF6he=700\r\nMaximiert=ja\r\n", {}, {QSize(800, 600), false, false}, true,
             "Fensterbreite=800\r\nFensterh\xF6he=600\r\nMaximiert=0\r\nVollbild=0\r\n"},
            {"Fensterbreite=40000\r\nFensterh\xF6he=0\r\nVollbild=1\r\n", {QSize(), false, true}, {QSize(700, 500), false, false}, true,
             "Fensterbreite=700\r\nFensterh\xF6he=500\r\nVollbild=0\r\nMaximiert=0\r\n"},
            {"Fensterbreite=900\r\nFensterh\xF6he=700\r\n", {QSize(900, 700)}, {QSize(1000, 700), true, true}, false,
             "Fensterbreite=900\r\nFensterh\xF6he=700\r\n"},
        };
        for (const Row &r : rows) {
            ProgramDir dir(false);
            QVERIFY(r.before.isEmpty() || writeAll(dir.path("einstellungen.ini"), r.before));
            int writes = 0;
            GameController c;
            c.setWriters({}, [&](const QString &path, const QByteArray &bytes) {
                return ++writes, r.writable && FileAccess::writeAtomically(path, bytes);
            });
            QSignalSpy notices(&c, &GameController::noticesChanged);
            QVERIFY2(c.windowState() == r.read, r.before.constData());
            c.setWindowState(r.written);
            c.setWindowState(r.written);   // written once; refused, tried again and told once
            QVERIFY2(writes == (r.writable ? 1 : 2) && notices.count() == (r.writable ? 0 : 1)
                     && c.notices() == (r.writable ? 0 : GameController::SettingNotWritten), r.before.constData());
            QCOMPARE(dir.read("einstellungen.ini"), r.after);
            QVERIFY(GameController().windowState() == (r.writable ? r.written : r.read));
        }
    }

    // "Spielfeld" at start: a whole number 3 to 6, else 4; a kept game's
    // size wins and is written. The board is dealt and cut at that size;
    // its best-value line is proven on 3 x 3, a solution's length on 6 x 6.
    void boardSizeAtStart()
    {
        using B = GameController::Bestwert;
        struct Row { QByteArray before; int keptSide, side; QByteArray after; B best; };
        const Row rows[] = {
            {"", 0, 4, "<unreadable>", B::Searching},
            {"Spielfeld=7\r\n", 0, 4, "Spielfeld=7\r\n", B::Searching},
            {"Spielfeld=2\r\nSpielfeld=5\r\n", 0, 4, "Spielfeld=2\r\nSpielfeld=5\r\n", B::Searching},
            {"Spielfeld=5x\r\n", 0, 4, "Spielfeld=5x\r\n", B::Searching},
            {"Spielfeld= 3\r\nNummern=1\r\n", 0, 3, "Spielfeld= 3\r\nNummern=1\r\n", B::Known},
            {"Spielfeld=6\r\n", 0, 6, "Spielfeld=6\r\n", B::Found},
            {"Nummern=1\r\nSpielfeld=3\r\n", 5, 5, "Nummern=1\r\nSpielfeld=5\r\n", B::Searching},
        };
        for (const Row &r : rows) {
            ProgramDir dir;
            QVERIFY(r.before.isEmpty() || writeAll(dir.path("einstellungen.ini"), r.before));
            const GameState keptGame{r.keptSide ? nearlyHome(r.keptSide) : QVector<qint16>(), 3, false, false,
                                     dir.path("squares.bmp"), false};
            QVERIFY(!r.keptSide || writeAll(dir.path(QLatin1String(KeptGame::FileName)), bytesOf(keptGame)));
            GameController c;
            QSignalSpy shown(&c, &GameController::sideChanged), best(&c, &GameController::bestwertChanged);
            c.setBoardPixels(418, 1);
            c.start();
            QTRY_VERIFY(c.session().placed());
            const int field = 418 / r.side;
            QVERIFY2(c.session().side() == r.side && shown.last().first() == r.side && c.tiles().size() == std::size_t(r.side * r.side + 1)
                     && c.tiles()[0].size() == QSize(field, field) && c.numbers() == r.before.contains("Nummern=1"), r.before.constData());
            QCOMPARE(settingsFile(dir), r.after);
            QVERIFY2(c.session().zuege() == (r.keptSide ? 3 : 0), r.before.constData());
            if (r.best != B::Searching)
                QTRY_VERIFY_WITH_TIMEOUT(best.last().first().value<B>() == r.best, 30000);
        }
    }

    // "Neu", a new picture and a loaded game are taken back, right after,
    // exactly: board, count, switches, picture, tiles, p.cxa, and the moves
    // of that game. The first move of the new game (a click, a counted
    // drop) forgets the one before.
    void takingBackAGame_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Neu") << 0;
        QTest::newRow("Bild ändern") << 1;
        QTest::newRow("geladenes Spiel") << 2;
        QTest::newRow("Spielfeld 5 × 5") << 3;
        QTest::newRow("geladenes Spiel 5 × 5") << 4;
    }
    void takingBackAGame()
    {
        QFETCH(int, how);
        ProgramDir dir;
        const QString other = dir.path("anders.bmp");
        QVERIFY(squaresPicture().mirrored(true, true).save(other, "BMP"));
        Game g;
        g.c->setPictureChooser([other] { return other; });
        g.move(), g.move();
        g.c->togglePreview();
        const GameState before = g.s().savedState();
        const auto tiles = g.c->tiles();
        const QByteArray reference = dir.read("p.cxa");
        auto replace = [&] {
            if (how == 0)
                g.c->newGame();
            else if (how == 1)
                g.c->changePicture();
            else if (how == 3)
                g.c->setSide(5);
            else
                g.c->loadGame({how == 2 ? swapped(solvedLayout(), 11, 15) : nearlyHome(5), 7, false, true, other, false});
            QTRY_VERIFY(g.c->canTakeBack() == GameController::TakeBack::Game);
        };
        // Another size switches the board and the setting, and back with the game.
        auto sized = [&](int side) {
            return g.s().side() == side && int(g.c->tiles().size()) == side * side + 1
                   && settingsFile(dir) == (how < 3 ? QByteArray("<unreadable>") : "Spielfeld=" + QByteArray::number(side) + "\r\n");
        };
        replace();
        QVERIFY(g.s().savedState().fields != before.fields && sized(how < 3 ? 4 : 5));
        g.c->takeBack();
        const GameState now = g.s().savedState();
        QVERIFY(sized(4));
        QVERIFY(g.s().placed() && now.fields == before.fields && now.zuege == 2 && now.imgvis && !now.posAnz);
        QVERIFY(now.bild == before.bild && g.s().Bild_org() == before.bild && dir.read("p.cxa") == reference);
        QVERIFY(g.c->tiles() == tiles && g.c->canTakeBack() == GameController::TakeBack::Move);
        replace();
        const bool loaded = how == 2 || how == 4;
        if (loaded)
            g.c->drop(0, g.s().board().emptyField(), false);   // counted, nothing moved
        else
            g.move(true), g.c->takeBack();
        QVERIFY(g.s().zuege() == (loaded ? 8 : 2) && g.c->canTakeBack() == GameController::TakeBack::Nothing);
    }

    // A chosen picture is never dropped by a command given while it is read
    // (Shift+F3, F2): they follow once it is taken.
    void pictureChoiceIsKept()
    {
        ProgramDir dir;
        const QString other = dir.path("anders.bmp");
        QImage wide(832, 416, QImage::Format_RGB32);
        wide.fill(Qt::blue);
        QPainter(&wide).drawImage(208, 0, squaresPicture());
        QVERIFY(wide.save(other, "BMP"));
        Game g;
        g.c->setPictureChooser([other] { return other; });
        g.c->changePicture();
        g.c->setCrop(true);
        g.c->newGame();
        QTRY_VERIFY(g.s().placed() && g.s().Bild_org() == other && g.ownSquares() == 15);
        QVERIFY(dir.read("p.cxa") == other.toUtf8() + "\r\n" && g.s().zuege() == 0);
    }

    // One search per position: hints and the solution asked for while the
    // deal's best value is searched wait for that search; a move drops a
    // hint search of the position left, a new deal every search.
    void searchesAreNotRepeated()
    {
        ProgramDir dir;
        Game g({}, {}, true);
        QSignalSpy hints(g.c.get(), &GameController::hintShown);
        QSignalSpy best(g.c.get(), &GameController::bestwertChanged);
        // Six moves from home, by one shortest way only: tiles 0 to 2 left, then 3, 7 and 11 up.
        g.place(fields("100 0 1 2 4 5 6 3 8 9 10 7 12 13 14 11"));
        for (int i = 0; i < 5; ++i)
            g.c->hint();
        g.c->toggleSolution();
        QVERIFY(g.c->searchesWanted() == 1 && g.c->solutionRunning() && hints.isEmpty());
        g.c->boardPainted();
        QTRY_VERIFY_WITH_TIMEOUT(g.s().zuege() == 1, 60000);
        g.c->stopSolution();
        QVERIFY(hints.count() == 1 && hints.first().first() == 1);
        QVERIFY(best.last().first().value<GameController::Bestwert>() == GameController::Bestwert::Known && best.last().last() == 6);
        g.c->hint(), g.c->hint();
        QCOMPARE(g.c->searchesWanted(), 1);
        g.move();
        QCOMPARE(g.c->searchesWanted(), 0);
        g.c->hint();
        g.c->newGame();
        QCOMPARE(g.c->searchesWanted(), 0);
        QVERIFY(g.placed());
        QSignalSpy unsolvable(g.c.get(), &GameController::unsolvable);
        g.place(swapped(solvedLayout(), 0, 1));   // cannot be solved: told, no search
        g.c->hint();
        QVERIFY(unsolvable.count() == 1 && hints.last().first() == -1);
    }
};

ZANDOR_REGISTER_TEST(TestGameController, QTEST_QAPP_SETUP(QGuiApplication))
#include "test_game_controller.moc"
