#include "base/ProgramFolder.h"

#include "base/FileAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <pwd.h>
#include <unistd.h>

namespace {

QString &overridePath()
{
    static QString p;
    return p;
}

const QString LibraryFolder = QStringLiteral("Images/originale");
const QString DataMarker = QStringLiteral("Hand.cur");

// Marks, in the data folder, that the library was filled with every
// starting picture. Written last: a fill cut short (a full disk, a kill) has
// none and is finished at the next start.
const QString FilledMark = QStringLiteral(".library-filled");

// Copies the regular files of `from` that `to` does not hold yet into the
// folder `to`; true when every one is there afterwards. A picture that cannot
// be copied is left out for now; the player can still choose any other.
bool copyPictures(const QString &from, const QString &to)
{
    bool complete = true;
    const QFileInfoList pictures = QDir(from).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &picture : pictures)
        if (FileAccess::copyFile(picture.filePath(), to + QLatin1Char('/') + picture.fileName())
            == FileAccess::CopyResult::Failed)
            complete = false;
    return complete;
}

// The folder of the read-only data for an executable in executableFolder:
// that folder itself when Hand.cur lies in it (a build folder, an unpacked
// copy), else ../share/zandor when that exists (an installed game), else the
// executable's folder.
QString dataFolderFor(const QString &executableFolder)
{
    const QString own = QDir::cleanPath(executableFolder);
    if (QFileInfo(own + QLatin1Char('/') + DataMarker).isFile())
        return own;
    const QString shared = QDir::cleanPath(own + QStringLiteral("/../share/zandor"));
    if (QFileInfo(shared).isDir())
        return shared;
    return own;
}

} // namespace

namespace ProgramFolder {

QString path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    // Decided once per run: the first start may create and fill the folder.
    static const QString decided = choose(QCoreApplication::applicationDirPath(), dataHome());
    return decided;
}

QString homeFolder()
{
    // Without HOME, Qt would give the root folder; the user database knows
    // the real one.
    const auto usable = [](const QString &folder) {
        return QDir::isAbsolutePath(folder) && QDir::cleanPath(folder) != QLatin1String("/");
    };
    const QString home = qEnvironmentVariable("HOME");
    if (usable(home))
        return QDir::cleanPath(home);
    if (const passwd *entry = ::getpwuid(::getuid())) {
        const QString own = QFile::decodeName(entry->pw_dir);
        if (usable(own))
            return QDir::cleanPath(own);
    }
    return QString();
}

QString dataHome()
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    const QString home = homeFolder();
    return home.isEmpty() ? QString() : home + QStringLiteral("/.local/share");
}

QString file(const QString &relative)
{
    return path() + QLatin1Char('/') + relative;
}

void setPath(const QString &folder)
{
    overridePath() = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

void removeLeftovers(const QString &folder)
{
    FileAccess::removeTemporaries(folder, {"*.cxa", "solver.pdb", "einstellungen.ini", "laufend.sav"});  // p.cxa and the top-ten lists
    FileAccess::removeTemporaries(folder + QStringLiteral("/Saves"), {"*.sav"});
    FileAccess::removeTemporaries(folder + QStringLiteral("/Images"), {"bild.jpg"});
    FileAccess::removeTemporaries(folder + QLatin1Char('/') + LibraryFolder, {"*"});
}

QString resource(const QString &name)
{
    const QString folder = overridePath().isEmpty() ? dataFolderFor(QCoreApplication::applicationDirPath())
                                                    : overridePath();
    return folder + QLatin1Char('/') + name;
}

bool isWritable(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(folder + QStringLiteral("/.zandor-write-test-XXXXXX"));
    return probe.open();
}

QString choose(const QString &executableFolder, const QString &dataHome)
{
    const QString own = QDir::cleanPath(executableFolder);
    const QString data = dataFolderFor(own);
    const bool installed = data != own;
    if ((!installed && isWritable(own)) || dataHome.isEmpty())
        return own;

    const QString folder = QDir::cleanPath(dataHome + QStringLiteral("/zandor"));
    const QString library = folder + QLatin1Char('/') + LibraryFolder;
    // Filled once; pictures the player removes after a complete fill stay
    // removed. A folder that already names a chosen picture (p.cxa) has been
    // played from: its library was filled by an earlier start, also by a
    // version that kept no mark, and is taken as the player left it.
    const QString mark = folder + QLatin1Char('/') + FilledMark;
    if (!QFileInfo::exists(mark) && QFileInfo::exists(folder + QStringLiteral("/p.cxa")))
        FileAccess::writeAtomically(mark, QByteArray());
    if (!QFileInfo::exists(mark) && QDir().mkpath(library)
        && copyPictures(data + QLatin1Char('/') + LibraryFolder, library))
        FileAccess::writeAtomically(mark, QByteArray());
    return folder;
}

} // namespace ProgramFolder
