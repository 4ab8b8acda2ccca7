// Dealing new games: permutations, solvability, uniform spread.
#include "game/Board.h"
#include "game/Shuffle.h"

#include <QtTest>

namespace {
// Plays back the given draws, then goes on with a seeded generator.
RandomDraw scripted(QVector<float> draws, std::uint64_t seed = 1)
{
    auto rest = std::make_shared<RandomSource>(seed);
    auto queue = std::make_shared<QVector<float>>(std::move(draws));
    return [queue, rest] {
        if (queue->isEmpty())
            return rest->next();
        return queue->takeFirst();
    };
}

// The draw that makes floor(15 * r) come out as tile t.
float drawFor(int t) { return (t + 0.5f) / 15.0f; }

bool isEven(const QVector<qint16> &z)
{
    int inv = 0;
    for (int a = 0; a < 15; ++a)
        for (int b = a + 1; b < 15; ++b)
            inv += z[a] > z[b];
    return inv % 2 == 0;
}
} // namespace

class TestShuffle : public QObject
{
    Q_OBJECT
private slots:
    void everyDealIsASolvableUnsolvedPermutation()
    {
        RandomSource rng(12345);
        for (int n = 0; n < 20000; ++n) {
            const QVector<qint16> z = Steine_Mischen(rng.draw());
            QCOMPARE(z.size(), 17);
            QCOMPARE(z[15], qint16(15));
            QCOMPARE(z[16], qint16(16));
            QVector<bool> seen(15, false);
            bool identity = true;
            for (int i = 0; i < 15; ++i) {
                QVERIFY(z[i] >= 0 && z[i] <= 14);
                QVERIFY(!seen[z[i]]);
                seen[z[i]] = true;
                identity = identity && z[i] == i;
            }
            QVERIFY(!identity);
            QVector<qint16> fields = z.mid(0, 16);
            fields[15] = 100;
            QVERIFY(Board::isSolvable(fields));
        }
    }

    void theDrawsAreTakenFieldByField()
    {
        // An even arrangement comes out exactly as drawn; a repeated tile is
        // drawn again for the same field.
        QVector<int> want{1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 13};
        QVERIFY(isEven(QVector<qint16>(want.begin(), want.end())));
        QVector<float> draws;
        for (int i = 0; i < 15; ++i) {
            if (i == 3)
                draws << drawFor(0) << drawFor(1);  // repeats, drawn again
            draws << drawFor(want[i]);
        }
        const QVector<qint16> z = Steine_Mischen(scripted(draws));
        for (int i = 0; i < 15; ++i)
            QCOMPARE(int(z[i]), want[i]);
    }

    void anOddDealHasTheLastTwoTilesExchanged()
    {
        QVector<int> odd{1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
        QVector<float> draws;
        for (int t : odd)
            draws << drawFor(t);
        const QVector<qint16> z = Steine_Mischen(scripted(draws));
        QVector<int> expected = odd;
        std::swap(expected[13], expected[14]);
        for (int i = 0; i < 15; ++i)
            QCOMPARE(int(z[i]), expected[i]);
        QVERIFY(isEven(z));
    }

    void theSolvedLayoutIsDrawnAgain()
    {
        QVector<float> draws;
        for (int t = 0; t < 15; ++t)
            draws << drawFor(t);
        const QVector<qint16> z = Steine_Mischen(scripted(draws, 99));
        bool identity = true;
        for (int i = 0; i < 15; ++i)
            identity = identity && z[i] == i;
        QVERIFY(!identity);
    }

    void aDrawJustBelowOneStaysOnTheBoard()
    {
        QVector<float> draws(40, std::nextafter(1.0f, 0.0f));
        const QVector<qint16> z = Steine_Mischen(scripted(draws));
        for (int i = 0; i < 15; ++i)
            QVERIFY(z[i] >= 0 && z[i] <= 14);
    }

    void tilesSpreadEvenlyOverTheFields()
    {
        // 15 x 15 counts of tile t on field p; each expected N / 15. With a
        // seeded generator the result is repeatable; the bound is about six
        // standard deviations, so only a real bias fails it.
        const int N = 45000;
        RandomSource rng(777);
        QVector<QVector<int>> count(15, QVector<int>(15, 0));
        QVector<int> parityOfFirstTwo(2, 0);
        for (int n = 0; n < N; ++n) {
            const QVector<qint16> z = Steine_Mischen(rng.draw());
            for (int p = 0; p < 15; ++p)
                ++count[p][z[p]];
            ++parityOfFirstTwo[z[0] < z[1]];
        }
        const double expected = double(N) / 15.0;
        const double sd = std::sqrt(N * (1.0 / 15.0) * (14.0 / 15.0));
        double chi2 = 0;
        for (int p = 0; p < 15; ++p)
            for (int t = 0; t < 15; ++t) {
                QVERIFY2(std::abs(count[p][t] - expected) < 6 * sd,
                         qPrintable(QStringLiteral("tile %1 on field %2: %3").arg(t).arg(p).arg(count[p][t])));
                chi2 += (count[p][t] - expected) * (count[p][t] - expected) / expected;
            }
        // 196 degrees of freedom: mean 196, sd about 20
        QVERIFY2(chi2 < 300, qPrintable(QString::number(chi2)));
        QVERIFY(std::abs(parityOfFirstTwo[0] - N / 2) < 6 * std::sqrt(N / 4.0));
    }
};

QTEST_GUILESS_MAIN(TestShuffle)
#include "test_shuffle.moc"
