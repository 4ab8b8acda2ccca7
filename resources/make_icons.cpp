// Build-time generator for the program folder: draws the hand pointer and
// writes it as Hand.cur, writes the program icon in three sizes and the
// desktop entry that shows the game with its name and icon.
//   make_icons <program folder>
#include "info/CursorFile.h"
#include "base/IconArt.h"

#include <QDir>
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

// Desktop entries quote an Exec path that holds blanks or special characters.
QString execQuoted(const QString &path)
{
    QString escaped = path;
    for (const char *c : {"\\", "\"", "`", "$"})
        escaped.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <program folder>\n");
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

    const QString desktop = QStringLiteral(
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Zandor\n"
        "GenericName=Schiebepuzzle\n"
        "Comment=Schiebepuzzle mit eigenen Bildern: bring die Steine in die richtige Reihenfolge\n"
        "Exec=%1\n"
        "Path=%2\n"
        "Icon=%3\n"
        "Terminal=false\n"
        "Categories=Game;PuzzleGame;\n")
        .arg(execQuoted(folder + QStringLiteral("/zandor")), folder,
             folder + QStringLiteral("/zandor.png"));

    bool ok = writeFile(dir.filePath(QStringLiteral("Hand.cur")), cursor);
    ok = writePng(dir.filePath(QStringLiteral("zandor.png")), IconArt::programIcon(256)) && ok;
    ok = writePng(dir.filePath(QStringLiteral("zandor-64.png")), IconArt::programIcon(64)) && ok;
    ok = writePng(dir.filePath(QStringLiteral("zandor-32.png")), IconArt::programIcon(32)) && ok;
    ok = writeFile(dir.filePath(QStringLiteral("zandor.desktop")), desktop.toUtf8()) && ok;
    return ok ? 0 : 1;
}
