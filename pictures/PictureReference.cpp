#include "pictures/PictureReference.h"

#include "base/Ansi.h"
#include "base/FileAccess.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace PictureReference {

namespace {
QString filePath(const QString &folder)
{
    return folder + QLatin1Char('/') + QLatin1String(FileName);
}

bool isAscii(const QByteArray &bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}
} // namespace

QString decodeLine(const QByteArray &line)
{
    if (line.size() > MaxPathBytes)
        return QString();
    QString ansi = Ansi::decode(line);
    if (ansi.isNull())
        ansi = QLatin1String("");
    if (isAscii(line) || QFileInfo::exists(ansi))
        return ansi;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(line);
    if (!utf8.hasError() && QFileInfo::exists(text))
        return text;
    return ansi;
}

QString read(const QString &folder)
{
    // Only the first line counts, and a path is at most MaxPathBytes long:
    // what lies beyond is never read.
    QByteArray head;
    if (FileAccess::readHead(filePath(folder), MaxPathBytes + 2, &head) != FileAccess::ReadResult::Ok)
        return QString();
    const QList<QByteArray> lines = Ansi::splitLines(head);
    if (lines.isEmpty())
        return QString();
    return decodeLine(lines.first());
}

QByteArray encode(const QString &path)
{
    QByteArray bytes = Ansi::canEncode(path) ? Ansi::encode(path) : path.toUtf8();
    bytes.append("\r\n");
    return bytes;
}

bool write(const QString &folder, const QString &path)
{
    return FileAccess::writeAtomically(filePath(folder), encode(path));
}

} // namespace PictureReference
