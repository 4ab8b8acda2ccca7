// Fuzzes the reader of the picture reference file p.cxa: any bytes are read
// as the file. Checked on every input: the path read is the first line only,
// and writing it back and reading it again gives the same path.
#include "FuzzSupport.h"
#include "base/Ansi.h"
#include "pictures/PictureReference.h"

#include <QFileInfo>

#include <cstdint>

using namespace FuzzSupport;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString folder = scratch();
    const QString path = folder + QLatin1Char('/') + QLatin1String(PictureReference::FileName);
    check(writeFile(path, bytes), "scratch file written");

    const QString line = PictureReference::read(folder);
    // The reader looks no further than the longest path and its line end.
    const QList<QByteArray> lines = Ansi::splitLines(bytes.left(PictureReference::MaxPathBytes + 2));
    if (lines.isEmpty() || lines.first().size() > PictureReference::MaxPathBytes) {
        check(line.isNull(), "an empty file or an over-long line names no picture");
        return 0;
    }
    check(!line.isNull(), "a file with a line names a path");
    check(line == PictureReference::decodeLine(lines.first()), "only the first line counts");
    check(!line.contains(QLatin1Char('\n')), "the path has no line break");

    // Written back and read again, the path is the same.
    check(PictureReference::write(folder, line), "a writable folder takes the path");
    const QByteArray written = readFile(path);
    check(written == PictureReference::encode(line), "the file holds the path and CR LF");
    // A path in Windows-1252 always reads back; one stored in UTF-8 does
    // when it names an existing file (otherwise the bytes are ambiguous).
    if (Ansi::canEncode(line) || QFileInfo::exists(line))
        check(PictureReference::read(folder) == line, "the path reads back unchanged");
    return 0;
}
