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
        const struct { int field, empty; Action steps; } cases[] = {
            {14, 15, {{14, 15}}},                                  // the neighbour: one step
            {12, 15, {{14, 15}, {13, 14}, {12, 13}}},              // three in a row, nearest first
            {15, 12, {{13, 12}, {14, 13}, {15, 14}}},              // the other way along the row
            {3, 15, {{11, 15}, {7, 11}, {3, 7}}},                  // up a column
            {12, 4, {{8, 4}, {12, 8}}},                            // down a column
            {10, 15, {}}, {15, 15, {}}, {3, 4, {}},                // off the lines, itself, no wrap-around
            {-1, 15, {}}, {16, 15, {}}, {3, 16, {}},               // off the board
        };
        for (const auto &c : cases)
            QVERIFY2(Moves::slideToward(c.field, c.empty) == c.steps, qPrintable(QStringLiteral("%1 -> %2").arg(c.field).arg(c.empty)));
    }
};

QTEST_GUILESS_MAIN(TestMoves)
#include "test_moves.moc"
