// Scaling and cutting: exact squares without borders, stretched inner squares
// with them; the working copy read back pixel for pixel.
#include "GameTestSupport.h"

#include "pictures/TileCutter.h"
#include "pictures/WorkingCopy.h"
#include "base/FileAccess.h"

#include <QBuffer>
#include <QtTest>

namespace {

// The board picture from a working copy's bytes.
QImage fromBitmap(QByteArray bytes, int maxSide)
{
    QBuffer buffer(&bytes);
    return buffer.open(QIODevice::ReadOnly) ? TileCutter::boardFromBitmap(buffer, maxSide) : QImage();
}

} // namespace

using namespace TestSupport;

class TestTileCutter : public QObject
{
    Q_OBJECT
private slots:
    // Every board size, at 1x and 2x: side x side tiles, row by row.
    void borderlessTilesAreExactSquares()
    {
        for (int px : {420, 840}) {
            QImage board(px, px, QImage::Format_RGB32);   // every pixel column and row differs
            for (int y = 0; y < px; ++y)
                for (int x = 0; x < px; ++x)
                    board.setPixel(x, y, qRgb(x % 256, y % 256, x / 256 * 64 + y / 256 * 16));
            for (int side = 3; side <= 6; ++side) {
                const int field = px / side;
                const auto tiles = TileCutter::cut(board, side, field, field);
                QCOMPARE(int(tiles.size()), side * side);
                for (int k = 0; k < side * side; ++k)
                    QCOMPARE(tiles[k], board.copy(k % side * field, k / side * field, field, field));
            }
        }
    }

    void scaledAndBorderedTilesShowTheirSquares()
    {
        // another aspect ratio is stretched to the board; bordered tiles stretch their inner squares
        const QImage board = TileCutter::scaleToBoard(squaresPicture(400).scaled(800, 200), 416);
        QCOMPARE(board.size(), QSize(416, 416));
        const auto tiles = TileCutter::cut(board, 4, 102, 104);
        for (int k = 0; k < 16; ++k)
            QVERIFY(tiles[k].size() == QSize(104, 104) && tileShown(tiles[k]) == k);
        QImage clear(40, 40, QImage::Format_ARGB32);   // transparency is drawn on white
        clear.fill(Qt::transparent);
        QCOMPARE(TileCutter::scaleToBoard(clear, 416).pixelColor(200, 200), QColor(Qt::white));
    }

    // Cut to its centre square, a picture keeps its proportions: the middle
    // 4 x 4 squares of a 6 x 4 (or 4 x 6) grid fill the board, each a tile.
    // The choice is kept in its settings file; anything but "=1" stretches.
    void cropKeepsTheCentreSquare()
    {
        const QImage square = squaresPicture(400);
        for (const bool wide : {true, false}) {
            QImage picture(wide ? 600 : 400, wide ? 400 : 600, QImage::Format_RGB32);
            picture.fill(Qt::black);
            QPainter(&picture).drawImage(wide ? 100 : 0, wide ? 0 : 100, square);
            const QImage board = TileCutter::scaleToBoard(picture, 416, TileCutter::Fit::CropToSquare);
            QCOMPARE(board.size(), QSize(416, 416));
            const auto tiles = TileCutter::cut(board, 4, 104, 104);
            for (int k = 0; k < 16; ++k)
                QCOMPARE(tileShown(tiles[k]), k);
            QVERIFY(board.pixelColor(1, 1) != QColor(Qt::black) && board.pixelColor(414, 414) != QColor(Qt::black));
        }
    }

    // The working copy as Qt writes it reads back exactly; rows may run
    // top-down; anything else, damaged or too large is refused.
    void workingCopyReadsBackExactly()
    {
        // Odd width: rows are padded; tall enough to be read in several parts.
        QImage board(251, 250, QImage::Format_RGB32);
        for (int y = 0; y < board.height(); ++y)
            for (int x = 0; x < board.width(); ++x)
                board.setPixel(x, y, qRgb(x % 256, (y * 30) % 256, (x * y) % 256));
        const QByteArray bmp = encoded(board, "bmp");
        QCOMPARE(fromBitmap(bmp, 251), board);

        auto edited = [&bmp](int at, const QByteArray &bytes) { return QByteArray(bmp).replace(at, bytes.size(), bytes); };
        auto le32 = [](qint32 v) { return QByteArray(reinterpret_cast<const char *>(&v), 4); };
        const QImage topDown = fromBitmap(edited(22, le32(-250)), 251);
        QCOMPARE(topDown, board.mirrored(false, true));
        const QByteArray refused[] = {
            bmp.left(bmp.size() - 1),                // a row cut short
            edited(0, "XM"),                         // not a bitmap
            edited(28, QByteArray("\x20\x00", 2)),   // 32 bits per pixel
            edited(30, le32(1)),                     // compressed
            edited(10, le32(0x7ffffff0)),            // pixels beyond the end
            edited(18, le32(0)),                     // no width
            edited(22, le32(INT_MIN)),               // a height that does not negate
        };
        for (const QByteArray &bytes : refused)
            QVERIFY(fromBitmap(bytes, 251).isNull());
        QVERIFY(fromBitmap(bmp, 250).isNull());   // wider than allowed
    }

    // The working copy is taken again only when it was made from this very
    // picture file, at this side, with this fit, by the same upright rules;
    // a picture that is missing or refused writes no copy.
    void workingCopyIsTakenOnlyForItsOwnIdentity()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("bild.jpg")), picture = dir.filePath(QStringLiteral("a.bmp"));
        QImage wide(200, 100, QImage::Format_RGB32);
        wide.fill(Qt::red);
        QPainter(&wide).fillRect(50, 0, 100, 100, Qt::blue);   // the centre square blue: turned, the file differs
        QVERIFY(wide.save(picture, "BMP"));
        using F = TileCutter::Fit;
        auto make = [&](int side, F fit) { return WorkingCopy::boardPicture(copy, picture, side, fit); };
        WorkingCopy::Result r = make(64, F::Stretch);
        QVERIFY(!r.reused && r.board.size() == QSize(64, 64) && r.board.pixelColor(2, 32) == QColor(Qt::red));
        QCOMPARE(fromBitmap(readAll(copy), 64), r.board);
        if (FileAccess::note(copy).isEmpty())
            QSKIP("this file system keeps no notes with files");
        // Made again at another side, then taken again (for another fit: the window test's).
        QVERIFY(!make(80, F::Stretch).reused && make(80, F::Stretch).reused);
        // A copy noted by a build that turned pictures upright another way.
        const QByteArray older = WorkingCopy::identity(picture, 48, F::CropToSquare, WorkingCopy::UprightVersion - 1);
        QVERIFY(FileAccess::setNote(copy, older + ' ' + FileAccess::identity(copy)) && !make(48, F::CropToSquare).reused);
        QVERIFY(wide.mirrored(true, false).save(picture, "BMP") && !make(48, F::CropToSquare).reused);   // the file changed

        const QByteArray before = readAll(copy);
        QVERIFY(writeAll(picture, "BM kein Bild"));
        r = make(32, F::Stretch);
        QVERIFY(r.board.isNull() && r.error == PictureError::NotReadable && !r.missing && readAll(copy) == before);
        QVERIFY(QFile::remove(picture) && make(32, F::Stretch).missing && readAll(copy) == before);
    }
};

QTEST_GUILESS_MAIN(TestTileCutter)
#include "test_tile_cutter.moc"
