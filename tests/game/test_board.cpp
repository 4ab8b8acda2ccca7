// The board model: move rule, placement, drops, the solved test.
#include "game/Board.h"

#include <QtTest>

namespace {
// A board placed from a layout the way a loaded game is placed.
Board loaded(const QVector<qint16> &fields)
{
    Board b;
    QVector<qint16> z = fields;
    z.append(0);
    b.tagAsCut();
    b.ZArray_setzen(z);
    if (!b.place(1, 2))
        qFatal("layout not placeable");
    return b;
}

QVector<qint16> solvedWithEmptyAt15()
{
    QVector<qint16> f;
    for (int i = 0; i < 15; ++i)
        f.append(i);
    f.append(100);
    return f;
}
} // namespace

class TestBoard : public QObject
{
    Q_OBJECT
private slots:
    void moveRuleIsTheGridNeighbourhood()
    {
        for (int s = 0; s < 16; ++s) {
            QSet<int> expected;
            const int r = s / 4, c = s % 4;
            if (c > 0) expected.insert(s - 1);
            if (c < 3) expected.insert(s + 1);
            if (r > 0) expected.insert(s - 4);
            if (r < 3) expected.insert(s + 4);
            const QVector<int> got = Board::moveTargets(s);
            QCOMPARE(QSet<int>(got.begin(), got.end()), expected);
            QCOMPARE(got.size(), expected.size());
            for (int t = -2; t < 18; ++t)
                QCOMPARE(Board::isMoveAllowed(s, t), expected.contains(t));
        }
        QVERIFY(Board::moveTargets(-1).isEmpty());
        QVERIFY(Board::moveTargets(16).isEmpty());
        // no wrap-around from one row's end to the next row's start
        QVERIFY(!Board::isMoveAllowed(3, 4));
        QVERIFY(!Board::isMoveAllowed(4, 3));
        QVERIFY(!Board::isMoveAllowed(11, 12));
    }

    void newGamePlacementLeavesField15EmptyWithTag15()
    {
        Board b;
        b.tagAsCut();
        QVector<qint16> z{3, 1, 2, 0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 13, 15, 16};
        b.ZArray_setzen(z);
        QVERIFY(b.place(2, 1));
        for (int p = 0; p < 15; ++p) {
            QCOMPARE(b.picture(p), int(z[p]));
            QCOMPARE(b.tag(p), QString::number(z[p]));
        }
        QVERIFY(!b.hasPicture(15));
        QCOMPARE(b.tag(15), QStringLiteral("15"));
    }

    void loadedPlacement_data()
    {
        QTest::addColumn<int>("emptyAt");
        for (int e : {0, 5, 12, 15})
            QTest::newRow(qPrintable(QString::number(e))) << e;
    }
    void loadedPlacement()
    {
        QFETCH(int, emptyAt);
        QVector<qint16> f;
        int t = 0;
        for (int p = 0; p < 16; ++p)
            f.append(p == emptyAt ? qint16(100) : qint16(t++));
        const Board b = loaded(f);
        for (int p = 0; p < 16; ++p) {
            if (p == emptyAt) {
                QVERIFY(!b.hasPicture(p));
                QCOMPARE(b.tag(p), QStringLiteral("leer"));
            } else {
                QCOMPARE(b.picture(p), int(f[p]));
                QCOMPARE(b.tag(p), QString::number(f[p]));
            }
        }
    }

    void value15ShowsNoPictureWithTag15()
    {
        QVector<qint16> f = solvedWithEmptyAt15();
        f[15] = 15;
        const Board b = loaded(f);
        QVERIFY(!b.hasPicture(15));
        QCOMPARE(b.tag(15), QStringLiteral("15"));
    }

    void invalidLayoutPlacesNothing_data()
    {
        QTest::addColumn<int>("value");
        QTest::newRow("negative") << -1;
        QTest::newRow("17") << 17;
        QTest::newRow("99") << 99;
        QTest::newRow("101") << 101;
        QTest::newRow("min") << -32768;
    }
    void invalidLayoutPlacesNothing()
    {
        QFETCH(int, value);
        Board b = loaded(solvedWithEmptyAt15());
        const Board before = b;
        QVector<qint16> z = solvedWithEmptyAt15();
        z[7] = qint16(value);
        z.append(0);
        b.ZArray_setzen(z);
        QVERIFY(!b.place(1, 2));
        for (int p = 0; p < 16; ++p) {
            QCOMPARE(b.picture(p), before.picture(p));
            QCOMPARE(b.tag(p), before.tag(p));
        }
        // a layout shorter than the fields it should fill
        b.ZArray_setzen({0, 1, 2});
        QVERIFY(!b.place(1, 2));
    }

    void solvedTest()
    {
        // Field 15's Tag is not looked at.
        Board b = loaded(solvedWithEmptyAt15());
        QVERIFY(b.isSolved());
        b.setTag(15, QStringLiteral("whatever"));
        QVERIFY(b.isSolved());
        // "leer" on one of the fields 0..14 is not solved
        b.setTag(3, QStringLiteral("leer"));
        QVERIFY(!b.isSolved());
        // The empty field anywhere but 15 is never solved, even with every
        // other tile at home.
        QVector<qint16> f = solvedWithEmptyAt15();
        f[14] = 100;
        f[15] = 14;
        QVERIFY(!loaded(f).isSolved());
    }

    void dropRules()
    {
        QVector<qint16> f = solvedWithEmptyAt15();
        std::swap(f[14], f[15]);  // empty field at 14, tile 14 on 15
        Board b = loaded(f);

        // onto the field it came from: nothing
        Board::DropResult r = b.drop(13, 13);
        QVERIFY(r.ignored);
        QCOMPARE(b.zuege(), qint16(0));

        // onto another tile: not counted, nothing moves
        r = b.drop(13, 12);
        QVERIFY(!r.counted && !r.moved && !r.ignored);
        QCOMPARE(b.picture(13), 13);

        // onto the empty field from a field that is not adjacent: counted, nothing moves
        r = b.drop(7, 14);
        QVERIFY(r.counted && !r.moved);
        QCOMPARE(b.zuege(), qint16(1));
        QCOMPARE(b.picture(7), 7);
        QVERIFY(!b.hasPicture(14));
        QCOMPARE(b.tag(14), QStringLiteral("leer"));

        // the empty field dragged onto itself: nothing
        QVERIFY(b.drop(14, 14).ignored);

        // adjacent: the tile and its Tag move, the source becomes "leer"
        r = b.drop(10, 14);
        QVERIFY(r.counted && r.moved && !r.won);
        QCOMPARE(b.zuege(), qint16(2));
        QCOMPARE(b.picture(14), 10);
        QCOMPARE(b.tag(14), QStringLiteral("10"));
        QVERIFY(!b.hasPicture(10));
        QCOMPARE(b.tag(10), QStringLiteral("leer"));
    }

    void winningDropFreezesTheBoard()
    {
        QVector<qint16> f = solvedWithEmptyAt15();
        std::swap(f[14], f[15]);
        Board b = loaded(f);
        const Board::DropResult r = b.drop(15, 14);
        QVERIFY(r.moved && r.won);
        QVERIFY(b.fertig());
        QCOMPARE(b.zuege(), qint16(1));
        // from now on every drop is ignored
        QVERIFY(b.drop(14, 15).ignored);
        QVERIFY(b.drop(11, 15).ignored);
        QCOMPARE(b.zuege(), qint16(1));
        QCOMPARE(b.picture(14), 14);
    }

    void alreadySolvedBoardEndsAtTheFirstUnchangedDrop()
    {
        Board b;
        b.tagAsCut();
        QVector<qint16> z;
        for (int i = 0; i < 17; ++i)
            z.append(i);
        b.ZArray_setzen(z);
        QVERIFY(b.place(2, 1));
        // a tile dropped onto another tile: counter 0, game over
        const Board::DropResult r = b.drop(0, 1);
        QVERIFY(r.won && !r.counted);
        QCOMPARE(b.zuege(), qint16(0));
    }

    void counterHoldsAt32767()
    {
        QVector<qint16> f = solvedWithEmptyAt15();
        std::swap(f[14], f[15]);
        Board b = loaded(f);
        b.setZuege(32766);
        b.drop(0, 14);  // not adjacent: counted only
        QCOMPARE(b.zuege(), qint16(32767));
        b.drop(0, 14);
        QCOMPARE(b.zuege(), qint16(32767));
    }

    void positionDisplay()
    {
        Board b;
        b.tagAsCut();
        QVector<qint16> z{7, 1, 2, 3, 4, 5, 6, 0, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        b.ZArray_setzen(z);
        QVERIFY(b.place(2, 1));
        QCOMPARE(b.positionText(0), std::optional<QString>(QStringLiteral("8")));  // tile 7
        // the empty field right after a new game still carries "15"
        QCOMPARE(b.positionText(15), std::optional<QString>(QStringLiteral("16")));
        b.tagEmptyFields();
        QCOMPARE(b.positionText(15), std::nullopt);
        QCOMPARE(b.positionText(16), std::nullopt);
    }

    void lightsUpOnlyTheAdjacentEmptyField()
    {
        QVector<qint16> f = solvedWithEmptyAt15();
        std::swap(f[4], f[15]);  // empty field at 4
        Board b = loaded(f);
        QVERIFY(b.lightsUp(0, 4));
        QVERIFY(b.lightsUp(5, 4));
        QVERIFY(b.lightsUp(8, 4));
        QVERIFY(!b.lightsUp(3, 4));   // the end of the row above
        QVERIFY(!b.lightsUp(1, 4));
        QVERIFY(!b.lightsUp(4, 5));   // onto a tile
    }

    void layoutFromTags()
    {
        QVector<qint16> f = solvedWithEmptyAt15();
        std::swap(f[2], f[15]);
        const Board b = loaded(f);
        QCOMPARE(b.layoutFromTags(), f);
        // right after a new game the empty field still says 15
        Board n;
        n.tagAsCut();
        QVector<qint16> z;
        for (int i = 0; i < 17; ++i)
            z.append(i);
        n.ZArray_setzen(z);
        QVERIFY(n.place(2, 1));
        QCOMPARE(n.layoutFromTags().at(15), qint16(15));
    }

    void solvability()
    {
        QVERIFY(Board::isSolvable(solvedWithEmptyAt15()));
        QVector<qint16> f = solvedWithEmptyAt15();
        std::swap(f[13], f[14]);
        QVERIFY(!Board::isSolvable(f));  // the classic 14-15 exchange
        f = solvedWithEmptyAt15();
        std::swap(f[14], f[15]);
        QVERIFY(Board::isSolvable(f));   // one slide from home
        f = solvedWithEmptyAt15();
        std::swap(f[11], f[15]);
        QVERIFY(Board::isSolvable(f));
        f[15] = 15;  // 15 may stand for the empty field only once
        QVERIFY(!Board::isSolvable(f));
        f = solvedWithEmptyAt15();
        f[3] = 2;    // a tile twice
        QVERIFY(!Board::isSolvable(f));
        QVERIFY(!Board::isSolvable({1, 2, 3}));
    }
};

QTEST_GUILESS_MAIN(TestBoard)
#include "test_board.moc"
