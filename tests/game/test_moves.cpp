// A click's row of steps toward the empty field; taking actions back is the
// game session's test.
#include "game/Moves.h"

#include <QtTest>

using Moves::Action;

class TestMoves : public QObject
{
    Q_OBJECT
private slots:
    void clickSlidesTheRowTowardTheEmptyField()
    {
        const struct { int side, field, empty; Action steps; } cases[] = {
            {4, 14, 15, {{14, 15}}},                               // the neighbour: one step
            {4, 12, 15, {{14, 15}, {13, 14}, {12, 13}}},           // three in a row, nearest first
            {4, 15, 12, {{13, 12}, {14, 13}, {15, 14}}},           // the other way along the row
            {4, 3, 15, {{11, 15}, {7, 11}, {3, 7}}},               // up a column
            {4, 12, 4, {{8, 4}, {12, 8}}},                         // down a column
            {4, 10, 15, {}}, {4, 15, 15, {}}, {4, 3, 4, {}},       // off the lines, itself, no wrap-around
            {4, -1, 15, {}}, {4, 16, 15, {}}, {4, 3, 16, {}},      // off the board
            {3, 2, 8, {{5, 8}, {2, 5}}}, {3, 2, 3, {}},            // a column of three; no wrap-around
            {5, 20, 24, {{23, 24}, {22, 23}, {21, 22}, {20, 21}}}, // a row of five
            {6, 5, 35, {{29, 35}, {23, 29}, {17, 23}, {11, 17}, {5, 11}}}, {6, 6, 5, {}},
            {2, 0, 1, {}}, {7, 0, 1, {}},                          // sides out of range
        };
        for (const auto &c : cases)
            QVERIFY2(Moves::slideToward(c.field, c.empty, c.side) == c.steps,
                     qPrintable(QStringLiteral("%1: %2 -> %3").arg(c.side).arg(c.field).arg(c.empty)));
    }
};

QTEST_GUILESS_MAIN(TestMoves)
#include "test_moves.moc"
