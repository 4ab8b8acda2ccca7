// Build-time generator for the program folder: draws the hand pointer and
// writes it as Hand.cur, writes the program icon in four sizes and the
// desktop entry that starts the game from this folder.
//   make_icons <program folder>
//   make_icons --desktop-entry <executable> <icon> <file>
// The second form writes only a desktop entry, for an installed game: its
// executable path and its icon (a theme icon name or a file) as given.
#include "info/CursorFile.h"
#include "base/IconArt.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <cstdio>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool writePng(const QString &path, const QImage &image)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !image.save(&f, "PNG") || !f.commit()) {
        std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// Desktop entries quote an Exec path that holds blanks or special characters:
// inside the quotes \\ " ` $ take a backslash, the value as a whole doubles
// every backslash once more, and % is written twice.
QString execQuoted(const QString &path)
{
    QString escaped = path;
    for (const char *c : {"\\", "\"", "`", "$"})
        escaped.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("%"), QLatin1String("%%"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// The menu entry: name, description in English and German, the executable,
// its working folder when it has one, and the icon.
QString desktopEntry(const QString &executable, const QString &workingFolder, const QString &icon)
{
    QString entry = QStringLiteral(
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Zandor\n"
        "GenericName=Sliding Puzzle\n"
        "GenericName[de]=Schiebepuzzle\n"
        "Comment=Sliding puzzle with pictures of your own: put the tiles back in order\n"
        "Comment[de]=Schiebepuzzle mit eigenen Bildern: bring die Steine in die richtige Reihenfolge\n"
        "Keywords=puzzle;sliding;picture;fifteen;\n"
        "Keywords[de]=Puzzle;Schiebepuzzle;Bild;\n"
        "Exec=%1\n").arg(execQuoted(executable));
    if (!workingFolder.isEmpty())
        entry += QStringLiteral("Path=%1\n").arg(workingFolder);
    // Puzzles are registered as logic games; the X- name keeps the kind of
    // puzzle for desktops that sort by it.
    entry += QStringLiteral(
        "Icon=%1\n"
        "Terminal=false\n"
        "Categories=Game;LogicGame;X-PuzzleGame;\n").arg(icon);
    return entry;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && qstrcmp(argv[1], "--desktop-entry") == 0) {
        const QString file = QString::fromLocal8Bit(argv[4]);
        QDir().mkpath(QFileInfo(file).path());
        return writeFile(file, desktopEntry(QString::fromLocal8Bit(argv[2]), QString(),
                                            QString::fromLocal8Bit(argv[3])).toUtf8())
                   ? 0
                   : 1;
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <program folder>\n"
                             "       make_icons --desktop-entry <executable> <icon> <file>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "make_icons: cannot create %s\n", argv[1]);
        return 1;
    }
    const QString folder = dir.absolutePath();

    // The cursor, checked by reading it back the way the game will.
    const QByteArray cursor = CursorFile::encode(IconArt::handCursor(), IconArt::HandHotSpot);
    const QImage back = QImage::fromData(cursor);
    if (back.size() != QSize(32, 32) || CursorFile::hotSpot(cursor) != IconArt::HandHotSpot) {
        std::fprintf(stderr, "make_icons: the cursor does not read back\n");
        return 1;
    }

    bool ok = writeFile(dir.filePath(QStringLiteral("Hand.cur")), cursor);
    ok = writePng(dir.filePath(QStringLiteral("zandor.png")), IconArt::programIcon(256)) && ok;
    ok = writePng(dir.filePath(QStringLiteral("zandor-128.png")), IconArt::programIcon(128)) && ok;
    ok = writePng(dir.filePath(QStringLiteral("zandor-64.png")), IconArt::programIcon(64)) && ok;
    ok = writePng(dir.filePath(QStringLiteral("zandor-32.png")), IconArt::programIcon(32)) && ok;
    ok = writeFile(dir.filePath(QStringLiteral("zandor.desktop")),
                   desktopEntry(folder + QStringLiteral("/zandor"), folder, folder + QStringLiteral("/zandor.png"))
                       .toUtf8())
         && ok;
    return ok ? 0 : 1;
}
