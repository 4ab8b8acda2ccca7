// Fuzzes the reader of the picture reference p.cxa: any bytes are read as
// the file. Only the first line counts, an over-long line names no picture,
// and the path read, written back, is read again unchanged. The same bytes
// as the settings file: a change writes every other line back as it was.
#include "FuzzSupport.h"
#include "base/Ansi.h"
#include "base/SettingsFile.h"
#include "pictures/PictureReference.h"

#include <QFileInfo>

using namespace FuzzSupport;

QList<QByteArray> seeds()
{
    return {PictureReference::encode(QStringLiteral("/home/jürgen/Größe.jpg")),
            PictureReference::encode(QStringLiteral("/home/jürgen/写真/🙂.jpg")),
            "/a/erste.jpg\r\n/b/zweite.jpg\r\n", "C:\\Bilder\\alt.gif", "Fenster=1\r\n Bild zuschneiden = 1\r\n=\r\n"};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString folder = scratch();
    const QString path = folder + QLatin1Char('/') + QLatin1String(PictureReference::FileName);
    check(writeAll(path, bytes), "scratch file written");

    const QString ini = folder + QLatin1Char('/') + QLatin1String(SettingsFile::FileName);
    check(writeAll(ini, bytes), "scratch file written");
    SettingsFile settings(ini);
    if (bytes.size() <= SettingsFile::MaxBytes) {
        const QString key = QStringLiteral("Bild zuschneiden");
        check(settings.set(key, QStringLiteral("fuzz")) && settings.value(key) == QStringLiteral("fuzz"), "a setting is set");
        auto others = [](QList<QByteArray> lines) { return lines.removeIf([](const QByteArray &l) { return l.contains("Bild zuschneiden"); }), lines; };
        check(others(Ansi::splitLines(readAll(ini))) == others(Ansi::splitLines(bytes)), "the other lines are kept");
    }

    const QString line = PictureReference::read(folder);
    const QList<QByteArray> lines = Ansi::splitLines(bytes.left(PictureReference::MaxPathBytes + 2));
    if (lines.isEmpty() || lines.first().size() > PictureReference::MaxPathBytes) {
        check(line.isNull(), "an empty file or an over-long line names no picture");
        return 0;
    }
    check(line == PictureReference::decodeLine(lines.first()) && !line.isNull(), "the first line is the path");

    check(PictureReference::write(folder, line) && readAll(path) == PictureReference::encode(line),
          "the path is written with CR LF");
    // A path in Windows-1252 always reads back; one in UTF-8 when it names
    // an existing file (otherwise its bytes read as Windows-1252).
    if (Ansi::canEncode(line) || QFileInfo::exists(line))
        check(PictureReference::read(folder) == line, "the path reads back unchanged");
    return 0;
}
