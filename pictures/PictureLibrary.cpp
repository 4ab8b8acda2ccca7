#include "pictures/PictureLibrary.h"

#include "base/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>


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

    // Written under a short temporary name and renamed over the old file;
    // the copy gets the usual rights, never the source's (a picture from a
    // stick that lets everyone write would otherwise give such a copy).
    return FileAccess::copyFile(chosen, target);
}

QString copyOf(const QString &path, const QString &libraryFolder)
{
    const int cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString name = path.mid(cut + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    const QString copy = QDir(libraryFolder).filePath(name);
    return FileAccess::isRegularFile(copy) ? copy : QString();
}

} // namespace PictureLibrary
