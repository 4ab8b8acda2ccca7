// Fuzzes the picture loader on JPEG, Windows bitmap, GIF and Windows metafile
// data, the way the game uses it: decoded for the board, then scaled to the
// board and cut into the sixteen tiles. Checked on every input: memory and
// file give the same verdict, a refused picture has a German reason, and a
// decoded picture has a size and cuts into sixteen tiles of the box's size.
#include "FuzzSupport.h"
#include "pictures/PictureLoader.h"
#include "pictures/TileCutter.h"

#include <cstdint>

using namespace FuzzSupport;

namespace {

// The board of 6240 twips and a box of 1560 twips with a 1-pixel border.
constexpr int Board = 416;
constexpr int Outer = 104;
constexpr int Inner = 102;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QSize needed(Board, Board);

    QString error;
    const QImage picture = PictureLoader::loadData(bytes, needed, &error);
    if (picture.isNull()) {
        check(!error.isEmpty(), "a refused picture has a reason");
    } else {
        check(picture.width() > 0 && picture.height() > 0, "a decoded picture has a size");
        const QImage board = TileCutter::scaleToBoard(picture, Board);
        check(board.size() == needed, "the board picture fills the board");
        const std::array<QImage, 16> tiles = TileCutter::cut(board, Inner, Outer);
        for (const QImage &tile : tiles)
            check(tile.size() == QSize(Outer, Outer), "every tile fills its box");
    }

    // The same bytes as a file the player chose.
    const QString path = scratch() + QStringLiteral("/bild");
    check(writeFile(path, bytes), "scratch file written");
    QString fileError;
    const QImage fromFile = PictureLoader::load(path, needed, &fileError);
    check(fromFile.isNull() == picture.isNull(), "file and memory agree");
    if (!fromFile.isNull())
        check(fromFile.size() == picture.size(), "file and memory give one size");
    else
        check(!fileError.isEmpty(), "a refused file has a reason");
    return 0;
}
