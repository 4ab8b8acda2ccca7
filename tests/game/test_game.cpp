// The rules of play, without any window: the board vocabulary (move rule,
// validity, solvability), the board's drops, the deal and the game session.
#include "game/GameSession.h"
#include "game/Tiles.h"

#include <QtTest>
#include <random>
#include <set>

namespace {

// A board whose fields 0..15 show the layout (100 = empty), as a loaded game
// is placed.
Board boardOf(const QVector<qint16> &fields)
{
    Board b;
    QVector<qint16> z = fields;
    z.resize(Board::FeldAnz + 1);
    b.ZArray_setzen(z);
    b.place(1, 2);
    return b;
}

QVector<qint16> solved()
{
    QVector<qint16> f;
    for (int i = 0; i < 15; ++i)
        f << i;
    return f << Tiles::Leer;
}

// The layout with the values of fields a and b exchanged.
QVector<qint16> swapped(QVector<qint16> f, int a, int b)
{
    std::swap(f[a], f[b]);
    return f;
}

// A random walk of the empty field from home: always a solvable board.
Tiles::Fields walk(std::mt19937 &rng, int steps)
{
    Tiles::Fields f = Tiles::home();
    int empty = 15;
    for (int i = 0; i < steps; ++i) {
        const QVector<int> n = Tiles::moveTargets(empty);
        const int next = n[int(rng() % unsigned(n.size()))];
        std::swap(f[empty], f[next]);
        empty = next;
    }
    return f;
}

} // namespace

class TestGame : public QObject
{
    Q_OBJECT
private slots:
    void moveRuleIsOrthogonalNeighbourhood();
    void validityAndSolvability_data();
    void validityAndSolvability();
    void parityAgreesWithReachability();
    void drops_data();
    void drops();
    void winEndsTheGameAndFreezesTheBoard();
    void placementAndDisplayTexts();
    void dealsAreSolvableUnsolvedPermutations();
    void dealDrawsAgainAndMendsParity();
    void arrowKeys_data();
    void arrowKeys();
    void hintKeepsAGameOutOfTheTopTen();
    void savedStateRoundTrip();
};

void TestGame::moveRuleIsOrthogonalNeighbourhood()
{
    // An independent statement of the rule: one step along a row or column,
    // never across the edge of the grid.
    for (int s = -1; s <= 16; ++s) {
        for (int t = -1; t <= 16; ++t) {
            const bool inside = s >= 0 && s < 16 && t >= 0 && t < 16;
            const bool adjacent = inside && std::abs(s / 4 - t / 4) + std::abs(s % 4 - t % 4) == 1;
            QCOMPARE(Tiles::isMoveAllowed(s, t), adjacent);
        }
    }
}

void TestGame::validityAndSolvability_data()
{
    QTest::addColumn<QVector<qint16>>("layout");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("solvable");
    QTest::newRow("home") << solved() << true << true;
    QTest::newRow("home, empty written as 15") << (solved().mid(0, 15) << 15) << true << true;
    QTest::newRow("13 and 14 exchanged") << swapped(solved(), 13, 14) << true << false;
    QTest::newRow("empty one step up") << swapped(solved(), 15, 11) << true << true;
    QTest::newRow("empty one step up, tiles exchanged") << swapped(swapped(solved(), 15, 11), 0, 1) << true << false;
    QTest::newRow("empty at the top left") << QVector<qint16>{100, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}
                                           << true << false;
    QTest::newRow("tile twice") << (solved().mid(0, 14) << 0 << 100) << false << false;
    QTest::newRow("two empty fields") << (solved().mid(0, 14) << 100 << 15) << false << false;
    QTest::newRow("tile 16") << (solved().mid(0, 14) << 16 << 100) << false << false;
    QTest::newRow("negative") << (solved().mid(0, 14) << -1 << 100) << false << false;
    QTest::newRow("fifteen fields") << solved().mid(0, 15) << false << false;
}

void TestGame::validityAndSolvability()
{
    QFETCH(QVector<qint16>, layout);
    QFETCH(bool, valid);
    QFETCH(bool, solvable);
    const auto board = Tiles::fromLayout(layout);
    QCOMPARE(board.has_value(), valid);
    if (board) {
        QCOMPARE(Tiles::isSolvable(*board), solvable);
        QCOMPARE(Tiles::toLayout(*board).mid(0, 15), layout.mid(0, 15).toVector());
    }
}

void TestGame::parityAgreesWithReachability()
{
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        Tiles::Fields f = walk(rng, 1 + i);
        QVERIFY(Tiles::isSolvable(f));
        // Exchanging two tiles (not the empty field) can never be undone.
        int a = 0, b = 1;
        if (f[a] == Tiles::Empty)
            a = 2;
        if (f[b] == Tiles::Empty)
            b = 2;
        std::swap(f[a], f[b]);
        QVERIFY(!Tiles::isSolvable(f));
    }
}

void TestGame::drops_data()
{
    QTest::addColumn<QVector<qint16>>("layout");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("target");
    QTest::addColumn<bool>("counted");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<bool>("lit");
    const QVector<qint16> gapAt15 = swapped(solved(), 0, 1);
    const QVector<qint16> gapAt4 = swapped(gapAt15, 4, 15);
    QTest::newRow("14 onto the empty 15") << gapAt15 << 14 << 15 << true << true << true;
    QTest::newRow("11 onto the empty 15") << gapAt15 << 11 << 15 << true << true << true;
    QTest::newRow("10 onto the empty 15") << gapAt15 << 10 << 15 << true << false << false;
    QTest::newRow("3 onto the empty 4") << gapAt4 << 3 << 4 << true << false << false;
    QTest::newRow("5 onto the empty 4") << gapAt4 << 5 << 4 << true << true << true;
    QTest::newRow("onto another tile") << gapAt15 << 14 << 13 << false << false << false;
    QTest::newRow("onto its own field") << gapAt15 << 14 << 14 << false << false << false;
    QTest::newRow("the empty field onto itself") << gapAt15 << 15 << 15 << false << false << false;
    QTest::newRow("the empty field onto a tile") << gapAt15 << 15 << 14 << false << false << false;
}

void TestGame::drops()
{
    QFETCH(QVector<qint16>, layout);
    QFETCH(int, source);
    QFETCH(int, target);
    QFETCH(bool, counted);
    QFETCH(bool, moved);
    QFETCH(bool, lit);
    Board b = boardOf(layout);
    QCOMPARE(b.lightsUp(source, target), lit);
    const int tile = b.tile(source);
    const Board::DropResult r = b.drop(source, target);
    QCOMPARE(r.counted, counted);
    QCOMPARE(r.moved, moved);
    QCOMPARE(b.zuege(), qint16(counted ? 1 : 0));
    if (moved) {
        QCOMPARE(int(b.tile(target)), tile);
        QVERIFY(b.hasPicture(target));
        QVERIFY(!b.hasPicture(source));
        QCOMPARE(b.tagText(source), QStringLiteral("leer"));
    }
    QCOMPARE(b.layout(), moved ? swapped(layout, source, target) : layout);
}

void TestGame::winEndsTheGameAndFreezesTheBoard()
{
    Board b = boardOf(swapped(solved(), 14, 15));
    b.setZuege(41);
    const Board::DropResult none = b.drop(14, 15);  // the empty field dragged onto a tile
    QVERIFY(!none.counted && !none.won);
    const Board::DropResult win = b.drop(15, 14);
    QVERIFY(win.counted && win.moved && win.won);
    QVERIFY(b.fertig());
    QCOMPARE(b.zuege(), qint16(42));
    QVERIFY(b.drop(10, 15).ignored);
    QCOMPARE(b.zuege(), qint16(42));

    // A deal that happens to be solved ends at the first drop that leaves it
    // unchanged: a tile onto another tile, counter 0.
    Board home;
    QVector<qint16> z = solved().mid(0, 15) << 15 << 16;
    home.ZArray_setzen(z);
    home.tagAsCut();
    QVERIFY(home.place(2, 1));
    QCOMPARE(home.tagText(15), QStringLiteral("15"));
    const Board::DropResult r2 = home.drop(0, 1);
    QVERIFY(r2.won && !r2.counted);
    QCOMPARE(home.zuege(), qint16(0));
}

void TestGame::placementAndDisplayTexts()
{
    Board b;
    QVector<qint16> z = swapped(solved(), 7, 15);
    z << 0;
    b.ZArray_setzen(z);
    QVERIFY(b.place(1, 2));
    QCOMPARE(b.tagText(7), QStringLiteral("leer"));
    QVERIFY(!b.hasPicture(7));
    QCOMPARE(b.positionText(15), std::optional<QString>(QStringLiteral("8")));  // tile 7 stands there
    QCOMPARE(b.positionText(7), std::optional<QString>());
    QCOMPARE(b.emptyField(), 7);

    // A value outside the board places nothing.
    Board c;
    z[3] = 17;
    c.ZArray_setzen(z);
    QVERIFY(!c.place(1, 2));
    QCOMPARE(c.tagText(3), QStringLiteral("leer"));
    // Tile 15 on a field: no picture, its number kept.
    z[3] = 15;
    c.ZArray_setzen(z);
    QVERIFY(c.place(1, 2));
    QVERIFY(!c.hasPicture(3));
    QCOMPARE(c.positionText(3), std::optional<QString>(QStringLiteral("16")));
}

void TestGame::dealsAreSolvableUnsolvedPermutations()
{
    RandomSource random(2024);
    const RandomDraw draw = random.draw();
    std::set<QVector<qint16>> seen;
    for (int i = 0; i < 2000; ++i) {
        const QVector<qint16> z = Steine_Mischen(draw);
        QCOMPARE(z.size(), 17);
        QCOMPARE(z[15], qint16(15));
        QCOMPARE(z[16], qint16(16));
        const auto board = Tiles::fromLayout(z);
        QVERIFY(board);
        QVERIFY(Tiles::isSolvable(*board));
        QVERIFY(*board != Tiles::home());
        seen.insert(z);
    }
    QVERIFY(seen.size() > 1990);  // 15!/2 deals: repeats are practically impossible
}

void TestGame::dealDrawsAgainAndMendsParity()
{
    // Draws that give tile k for field k: the solved deal, which is drawn
    // again; then draws of an odd arrangement (0 and 1 exchanged).
    QVector<float> draws;
    for (int k = 0; k < 15; ++k)
        draws << (k + 0.5f) / 15.0f;
    const int identityDraws = draws.size();
    draws << 1.5f / 15 << 0.5f / 15;
    for (int k = 2; k < 15; ++k)
        draws << (k + 0.5f) / 15.0f;
    int next = 0;
    const QVector<qint16> z = Steine_Mischen([&] { return draws.value(next++, 0.0f); });
    QCOMPARE(next, draws.size());
    QVERIFY(next > identityDraws);
    // The odd arrangement has its tiles on fields 13 and 14 exchanged.
    QCOMPARE(z.mid(0, 15), (QVector<qint16>{1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 13}));

    // A generator out of range does not push a tile off the board.
    int calls = 0;
    const QVector<qint16> odd = Steine_Mischen([&] { return ++calls < 40 ? 1.0f : float(calls % 15) / 15; });
    QVERIFY(Tiles::fromLayout(odd));
}

void TestGame::arrowKeys_data()
{
    QTest::addColumn<int>("empty");
    QTest::addColumn<int>("arrow");
    QTest::addColumn<int>("source");
    using A = GameSession::Arrow;
    QTest::newRow("gap 15, left") << 15 << int(A::Left) << -1;
    QTest::newRow("gap 15, right") << 15 << int(A::Right) << 14;
    QTest::newRow("gap 15, up") << 15 << int(A::Up) << -1;
    QTest::newRow("gap 15, down") << 15 << int(A::Down) << 11;
    QTest::newRow("gap 0, left") << 0 << int(A::Left) << 1;
    QTest::newRow("gap 0, up") << 0 << int(A::Up) << 4;
    QTest::newRow("gap 4, right: no wrap to 3") << 4 << int(A::Right) << -1;
    QTest::newRow("gap 3, left: no wrap to 4") << 3 << int(A::Left) << -1;
}

void TestGame::arrowKeys()
{
    QFETCH(int, empty);
    QFETCH(int, arrow);
    QFETCH(int, source);
    GameSession s;
    s.applyLoaded(GameState{swapped(solved(), empty, 15), 0, false, false, QString(), false});
    s.board().place(1, 2);
    const std::optional<int> got = s.arrowSource(GameSession::Arrow(arrow));
    QCOMPARE(got.value_or(-1), source);
}

void TestGame::hintKeepsAGameOutOfTheTopTen()
{
    GameSession s;
    s.applyLoaded(GameState{swapped(solved(), 14, 15), 5, false, false, QString(), false});
    s.board().place(1, 2);
    QVERIFY(s.win().mayEnterTopTen);
    const quint64 before = s.positionNumber();
    s.hintShown(14);
    QCOMPARE(s.hintField(), 14);
    // A drop that moves nothing keeps the mark; a move takes it off, and the
    // game stays marked as helped.
    s.drop(12, 14);
    QCOMPARE(s.hintField(), 14);
    QVERIFY(s.drop(15, 14).won);
    QCOMPARE(s.hintField(), -1);
    QVERIFY(s.positionNumber() != before);
    const GameSession::Win win = s.win();
    QCOMPARE(win.zuege, qint16(7));
    QVERIFY(!win.mayEnterTopTen);
    // A new deal starts unhelped.
    s.newDeal();
    QVERIFY(s.win().mayEnterTopTen);
    QCOMPARE(s.zuege(), qint16(0));
    QVERIFY(!s.fertig());
}

void TestGame::savedStateRoundTrip()
{
    GameSession s;
    s.imgvis = true;
    s.Bild_org = QStringLiteral("/bilder/a.jpg");
    s.Bild_aktuell = QStringLiteral("/spiele/b.jpg");
    s.applyLoaded(GameState{swapped(solved(), 14, 15), 3, false, false, QString(), false});
    s.board().place(1, 2);
    s.drop(15, 14);  // wins
    QVERIFY(s.fertig());
    s.hintShown(3);
    const GameState state = s.savedState();
    QCOMPARE(state.fields, solved());
    QCOMPARE(state.zuege, qint16(4));
    QVERIFY(state.imgvis && !state.posAnz && state.hintUsed);
    QCOMPARE(state.bild, QStringLiteral("/spiele/b.jpg"));   // the picture on the board

    // A loaded game is played on, even after a win.
    s.applyLoaded(state);
    QVERIFY(!s.fertig());
    GameSession t;
    t.applyLoaded(GameState{swapped(solved(), 11, 15), 9, false, true, QString(), true});
    QVERIFY(!t.fertig());
    QCOMPARE(t.zuege(), qint16(9));
    QCOMPARE(t.board().ZArray().mid(0, 16), swapped(solved(), 11, 15));
    QVERIFY(!t.win().mayEnterTopTen);
}

QTEST_GUILESS_MAIN(TestGame)
#include "test_game.moc"
