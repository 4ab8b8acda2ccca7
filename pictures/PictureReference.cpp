#include "pictures/PictureReference.h"

#include "base/Ansi.h"

#include <QFile>
#include <QSaveFile>
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
    if (!isAscii(line)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
        const QString text = utf8.decode(line);
        if (!utf8.hasError())
            return text;
    }
    return Ansi::decode(line);
}

QString read(const QString &folder)
{
    QFile file(filePath(folder));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // Only the first line counts; a path is never longer than a few KiB, so
    // reading a bounded prefix keeps a huge file from being loaded whole.
    const QByteArray head = file.read(64 * 1024);
    const QList<QByteArray> lines = Ansi::splitLines(head);
    if (lines.isEmpty())
        return QString();
    QString line = decodeLine(lines.first());
    if (line.isNull())
        line = QLatin1String("");
    return line;
}

QByteArray encode(const QString &path)
{
    QByteArray bytes = Ansi::canEncode(path) ? Ansi::encode(path) : path.toUtf8();
    bytes.append("\r\n");
    return bytes;
}

bool write(const QString &folder, const QString &path)
{
    QSaveFile file(filePath(folder));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = encode(path);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace PictureReference
