// Fuzzes the reader of saved games (*.sav): any bytes are parsed, from memory
// and from a file. Checked on every input: a refused file leaves the game as
// it was and says why in German; an accepted one is a real board, and writing
// it and reading it back gives the same game. The first line doubles as a
// typed name: a name the dialog accepts never leads outside the Saves folder.
#include "FuzzSupport.h"
#include "base/Ansi.h"
#include "base/ProgramFolder.h"
#include "game/Tiles.h"
#include "saves/SavedGame.h"

#include <QFileInfo>

#include <cstdint>

using namespace FuzzSupport;

namespace {

SavedGame sentinel()
{
    SavedGame g;
    g.fields = {9, 9, 9};
    g.zuege = 4321;
    g.imgvis = true;
    g.posAnz = true;
    g.bild = QStringLiteral("unverändert");
    return g;
}

bool same(const SavedGame &a, const SavedGame &b)
{
    return a.fields == b.fields && a.zuege == b.zuege && a.imgvis == b.imgvis
           && a.posAnz == b.posAnz && a.bild == b.bild && a.hintUsed == b.hintUsed;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    start(argc, argv);
    ProgramFolder::setPath(scratch());
    check(SavedGame::ensureFolder(), "Saves folder created");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    SavedGame game = sentinel();
    QString error;
    const bool ok = SavedGame::fromBytes(bytes, &game, &error);
    if (!ok) {
        check(same(game, sentinel()), "a refused file changes nothing");
        check(!error.isEmpty(), "a refused file has a reason");
    } else {
        check(Tiles::fromLayout(game.fields).has_value() && game.fields.size() == SavedGame::FieldCount,
              "an accepted file is a board");
        // What the game writes, it reads back unchanged.
        SavedGame again = sentinel();
        QString error2;
        check(SavedGame::fromBytes(game.toBytes(), &again, &error2), "written game reads back");
        check(same(game, again), "written game reads back unchanged");
    }

    // The same bytes through a file: the same verdict and the same game.
    const QString path = SavedGame::folder() + QStringLiteral("/fuzz.sav");
    check(writeFile(path, bytes), "scratch file written");
    SavedGame fromFile = sentinel();
    QString fileError;
    const bool fileOk = SavedGame::read(path, &fromFile, &fileError);
    check(fileOk == ok, "file and memory agree");
    check(fileOk ? same(fromFile, game) : same(fromFile, sentinel()), "file and memory give one game");

    // The first line as a name typed into the dialog.
    const QList<QByteArray> lines = Ansi::splitLines(bytes);
    const QString name = lines.isEmpty() ? QString() : QString::fromUtf8(lines.first());
    if (SavedGame::nameError(name).isEmpty()) {
        const QString folder = QFileInfo(SavedGame::folder()).absoluteFilePath();
        for (const QString &p : {SavedGame::savePath(name), SavedGame::loadPath(name)}) {
            const QFileInfo info(p);
            check(info.absolutePath() == folder, "an accepted name stays inside Saves");
        }
    }
    return 0;
}
