#include "pictures/BoardFit.h"

#include "base/Ansi.h"
#include "base/FileAccess.h"

namespace BoardFit {

namespace {
constexpr const char *Key = "Bild zuschneiden=";

QString filePath(const QString &folder)
{
    return folder + QLatin1Char('/') + QLatin1String(FileName);
}
} // namespace

TileCutter::Fit read(const QString &folder)
{
    QByteArray head;
    if (FileAccess::readHead(filePath(folder), 256, &head) != FileAccess::ReadResult::Ok)
        return TileCutter::Fit::Stretch;
    for (const QByteArray &line : Ansi::splitLines(head))
        if (line.trimmed() == QByteArray(Key) + '1')
            return TileCutter::Fit::CropToSquare;
    return TileCutter::Fit::Stretch;
}

QByteArray encode(TileCutter::Fit fit)
{
    return QByteArray(Key) + (fit == TileCutter::Fit::CropToSquare ? '1' : '0') + "\r\n";
}

bool write(const QString &folder, TileCutter::Fit fit)
{
    return FileAccess::writeAtomically(filePath(folder), encode(fit));
}

} // namespace BoardFit
