#include "pictures/PictureLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace PictureLibrary {

namespace {
std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}
} // namespace

QString folder(const QString &programFolder)
{
    return programFolder + QStringLiteral("/Images/originale");
}

bool sameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    if (ca.isEmpty() || cb.isEmpty())
        return false;
    if (ca == cb)
        return true;
    // Different paths may still lead to one file (a hard link, a folder
    // mounted twice): ask the file system for the identity of both.
    std::error_code ec;
    const bool same = std::filesystem::equivalent(nativePath(ca), nativePath(cb), ec);
    return !ec && same;
}

bool copyIn(const QString &chosen, const QString &libraryFolder)
{
    const QFileInfo source(chosen);
    if (!source.isFile() || !QFileInfo(libraryFolder).isDir())
        return false;
    const QString target = QDir(libraryFolder).filePath(source.fileName());

    // The chosen file is the library file itself: copying it onto itself
    // could only damage it, so it is used as it is.
    if (sameFile(chosen, target))
        return true;
    if (QFileInfo(target).isDir())
        return false;

    QFile in(chosen);
    if (!in.open(QIODevice::ReadOnly))
        return false;

    QTemporaryFile out(QDir(libraryFolder).filePath(QStringLiteral(".%1.XXXXXX").arg(source.fileName())));
    if (!out.open())
        return false;
    QByteArray chunk;
    for (;;) {
        chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (out.write(chunk) != chunk.size())
            return false;
    }
    if (in.error() != QFileDevice::NoError || !in.atEnd())
        return false;
    if (!out.flush() || ::fsync(out.handle()) != 0)
        return false;
    out.setPermissions(source.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString temporary = out.fileName();
    out.close();

    // rename() replaces the old library file in one step; a symbolic link in
    // its place is replaced itself, never the file it points to.
    std::error_code ec;
    std::filesystem::rename(nativePath(temporary), nativePath(target), ec);
    if (ec)
        return false;   // the temporary file is removed with `out`
    out.setAutoRemove(false);
    return true;
}

} // namespace PictureLibrary
