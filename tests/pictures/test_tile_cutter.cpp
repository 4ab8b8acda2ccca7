// Scaling and cutting: exact squares without borders, stretched inner squares with them.
#include "WindowTestSupport.h"

#include "pictures/TileCutter.h"

#include <QtTest>

using namespace TestSupport;

class TestTileCutter : public QObject
{
    Q_OBJECT
private slots:
    void borderlessTilesAreExactSquares()
    {
        for (int side : {416, 832}) {   // boards at 1x and 2x
            QImage board(side, side, QImage::Format_RGB32);   // every pixel column and row differs
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x)
                    board.setPixel(x, y, qRgb(x % 256, y % 256, x / 256 * 64 + y / 256 * 16));
            const auto tiles = TileCutter::cut(board, side / 4, side / 4);
            for (int k = 0; k < 16; ++k)
                QCOMPARE(tiles[k], board.copy(k % 4 * side / 4, k / 4 * side / 4, side / 4, side / 4));
        }
    }

    void scaledAndBorderedTilesShowTheirSquares()
    {
        // another aspect ratio is stretched to the board; bordered tiles stretch their inner squares
        const QImage board = TileCutter::scaleToBoard(squaresPicture(400).scaled(800, 200), 416);
        QCOMPARE(board.size(), QSize(416, 416));
        for (const auto &[inner, outer] : {std::pair{104, 104}, {102, 104}}) {
            const auto tiles = TileCutter::cut(board, inner, outer);
            for (int k = 0; k < 16; ++k)
                QVERIFY(tiles[k].size() == QSize(outer, outer) && tileShown(tiles[k]) == k);
        }
        QImage clear(40, 40, QImage::Format_ARGB32);   // transparency is drawn on white
        clear.fill(Qt::transparent);
        QCOMPARE(TileCutter::scaleToBoard(clear, 416).pixelColor(200, 200), QColor(Qt::white));
    }
};

QTEST_GUILESS_MAIN(TestTileCutter)
#include "test_tile_cutter.moc"
