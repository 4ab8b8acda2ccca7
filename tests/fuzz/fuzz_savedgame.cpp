// Fuzzes the reader of saved games (*.sav): any bytes are read, from memory
// and from a file. A refused file changes nothing and says why; an accepted
// one has all its lines and is a board, and what the game writes from it
// reads back as the same game and writes the same bytes. The first line
// doubles as a typed name: a name that is accepted never leads outside Saves.
#include "FuzzSupport.h"
#include "base/Ansi.h"
#include "game/Tiles.h"
#include "saves/SavedGame.h"

#include <QFileInfo>

using namespace FuzzSupport;

namespace {

const SavedGame Sentinel(GameState{{9, 9, 9}, 4321, true, true, QStringLiteral("unverändert"), false});

// Every member: the bytes hold all but the fields beyond a board's sixteen.
bool same(const SavedGame &a, const SavedGame &b) { return a.fields == b.fields && a.bild == b.bild && a.toBytes() == b.toBytes(); }

} // namespace

QList<QByteArray> seeds()
{
    const QByteArray first = SavedGame(GameState{{5, 1, 2, 3, 4, 0, 6, 7, 8, 9, 10, 100, 12, 13, 14, 11}, 17, true, false,
                                                 QStringLiteral("/home/jürgen/Bilder/Straße.jpg"), false}).toBytes();
    const QByteArray second = SavedGame(GameState{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, 0, true, true,
                                            QStringLiteral("/home/jürgen/写真/🙂.jpg"), true}).toBytes();
    const QByteArray small = SavedGame(GameState{{3, 1, 2, 0, 4, 5, 6, 100, 7}, 9, false, true, QStringLiteral("/b.gif"), false}).toBytes();
    const QByteArray large =
        SavedGame(GameState{solvedLayout(6), 3, false, false, QStringLiteral("C:\\x.bmp"), true}).toBytes();
    return {first, second, "../" + second, QByteArray(second).replace("\r\n", "\n"), small, large};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    SavedGame game = Sentinel;
    SavedGame::Problem problem;
    const bool ok = SavedGame::fromBytes(bytes, &game, &problem);
    if (!ok) {
        check(same(game, Sentinel) && problem, "a refused file changes nothing and says why");
    } else {
        const int side = game.side();
        const qsizetype lines = Ansi::splitLines(bytes).size();
        check(lines == SavedGame::lineCount(side) || lines == SavedGame::lineCount(side) + 1,
              "an accepted file has the lines of its size");
        check(Tiles::fromLayout(game.fields, side).has_value(), "an accepted file is a board");
        const QByteArray written = game.toBytes();
        SavedGame again = Sentinel;
        check(SavedGame::fromBytes(written, &again, &problem) && same(game, again), "a written game reads back");
        check(again.toBytes() == written, "a written game writes the same bytes again");
    }

    check(SavedGame::ensureFolder(), "Saves folder created");
    const QString path = SavedGame::folder() + QStringLiteral("/fuzz.sav");
    check(writeAll(path, bytes), "scratch file written");
    SavedGame fromFile = Sentinel;
    check(SavedGame::read(path, &fromFile, &problem) == ok && same(fromFile, ok ? game : Sentinel),
          "file and memory give one verdict and one game");

    const QList<QByteArray> lines = Ansi::splitLines(bytes);
    const QString name = lines.isEmpty() ? QString() : QString::fromUtf8(lines.first());
    if (!SavedGame::nameError(name)) {
        const QString folder = QFileInfo(SavedGame::folder()).absoluteFilePath();
        for (const QString &path : {SavedGame::savePath(name), SavedGame::loadPath(name)})
            check(QFileInfo(QDir::cleanPath(path)).absolutePath() == folder, "an accepted name stays inside Saves");
    }
    return 0;
}
