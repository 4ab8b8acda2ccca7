// Scaling and cutting: exact squares without borders, stretched inner
// squares with them.
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
        // a picture with a different colour in every pixel column and row
        QImage board(416, 416, QImage::Format_RGB32);
        for (int y = 0; y < 416; ++y)
            for (int x = 0; x < 416; ++x)
                board.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 64 + (y / 256) * 128));
        const auto tiles = TileCutter::cut(board, 104, 104);
        for (int k = 0; k < 16; ++k) {
            const QRect square((k % 4) * 104, (k / 4) * 104, 104, 104);
            QCOMPARE(tiles[k].size(), QSize(104, 104));
            QCOMPARE(tiles[k], board.copy(square));
        }
    }

    void borderedTilesStretchTheInnerSquares()
    {
        const QImage board = squaresPicture(416);
        const auto tiles = TileCutter::cut(board, 102, 104);
        for (int k = 0; k < 16; ++k) {
            QCOMPARE(tiles[k].size(), QSize(104, 104));
            QCOMPARE(tileShown(tiles[k]), k);
        }
    }

    void scalingStretchesToTheBoard()
    {
        const QImage wide = squaresPicture(400).scaled(800, 200);
        const QImage s = TileCutter::scaleToBoard(wide, 416);
        QCOMPARE(s.size(), QSize(416, 416));
        const auto tiles = TileCutter::cut(s, 104, 104);
        for (int k = 0; k < 16; ++k)
            QCOMPARE(tileShown(tiles[k]), k);
        QVERIFY(TileCutter::scaleToBoard(QImage(), 416).isNull());
    }

    void transparencyIsDrawnOnWhite()
    {
        QImage clear(40, 40, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        const QImage s = TileCutter::scaleToBoard(clear, 416);
        QCOMPARE(s.pixelColor(200, 200), QColor(Qt::white));
    }
};

QTEST_GUILESS_MAIN(TestTileCutter)
#include "test_tile_cutter.moc"
