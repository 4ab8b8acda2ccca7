#include "pictures/PictureLibrary.h"

#include "base/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace PictureLibrary {

namespace {

std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// The record of where the library's copies came from: one line a copy,
// "<library file name> TAB <chosen path>", both percent-encoded UTF-8, the
// latest last. Hidden, so that the file dialog does not offer it.
const QString OriginsName = QStringLiteral(".origins");
constexpr qint64 MaxOriginsBytes = 4 * 1024 * 1024;
// Copies remembered at most; the oldest records go first.
constexpr int MaxOrigins = 10000;
// The highest number a copy's name gets ("Name (999).jpg").
constexpr int MaxNumber = 999;

// One reader or writer of a library at a time (pictures are copied off the
// window's thread).
QMutex libraryMutex;

struct Origin {
    QString copy;   // the file name in the library
    QString path;   // the chosen file's path, as it was given
};

QByteArray encoded(const QString &text) { return text.toUtf8().toPercentEncoding("/ ()\\:"); }
QString decoded(const QByteArray &field) { return QString::fromUtf8(QByteArray::fromPercentEncoding(field)); }

QList<Origin> readOrigins(const QString &libraryFolder)
{
    QList<Origin> origins;
    QByteArray data;
    if (FileAccess::readRegular(QDir(libraryFolder).filePath(OriginsName), MaxOriginsBytes, &data)
        != FileAccess::ReadResult::Ok)
        return origins;
    for (const QByteArray &line : data.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0 && tab + 1 < line.size())
            origins.append({decoded(line.left(tab)), decoded(line.mid(tab + 1))});
    }
    return origins;
}

// Records that the library file `copy` holds the picture chosen at path.
// The earlier records of a copy made just now (`fresh`) are dropped: its
// name was free, so they named a copy removed since.
void recordOrigin(const QString &libraryFolder, const QString &copy, const QString &path, bool fresh)
{
    QList<Origin> origins = readOrigins(libraryFolder);
    if (fresh)
        origins.removeIf([&copy](const Origin &o) { return o.copy == copy; });
    origins.append({copy, path});
    // From the latest back: a record kept once, at its latest place.
    QList<QByteArray> lines;
    QSet<QByteArray> kept;
    for (auto o = origins.crbegin(); o != origins.crend() && lines.size() < MaxOrigins; ++o) {
        const QByteArray line = encoded(o->copy) + '\t' + encoded(o->path) + '\n';
        if (!kept.contains(line))
            kept.insert(line), lines.prepend(line);
    }
    FileAccess::writeAtomically(QDir(libraryFolder).filePath(OriginsName), lines.join());
}

// Where a file name's number goes: before its extension (the last dot but
// a leading one), or at its end.
qsizetype numberPlace(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? dot : name.size();
}

// The name the n-th picture of one file name gets: the name itself, then
// "Name (2).jpg", "Name (3).jpg" ...
QString numbered(const QString &name, int n)
{
    const qsizetype cut = numberPlace(name);
    return n == 1 ? name : name.left(cut) + QStringLiteral(" (%1)").arg(n) + name.mid(cut);
}

// The highest n for which the library holds an entry numbered(name, n).
int highestNumber(const QString &libraryFolder, const QString &name)
{
    const qsizetype cut = numberPlace(name);
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(name.left(cut)) + QStringLiteral(" \\(([1-9][0-9]{0,2})\\)")
        + QRegularExpression::escape(name.mid(cut))));
    int highest = 1;
    const QStringList entries = QDir(libraryFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch m = pattern.match(entry);
        if (m.hasMatch())
            highest = qMax(highest, m.captured(1).toInt());
    }
    return highest;
}

// True when the regular file (not a link) libraryFile holds exactly the
// bytes of the regular file `chosen`.
bool sameContent(const QString &chosen, const QString &libraryFile)
{
    struct stat st;
    if (::lstat(QFile::encodeName(libraryFile).constData(), &st) != 0 || !S_ISREG(st.st_mode)
        || st.st_size != QFileInfo(chosen).size())
        return false;
    QFile a, b;
    if (FileAccess::openRegular(chosen, st.st_size, &a) != FileAccess::ReadResult::Ok
        || FileAccess::openRegular(libraryFile, st.st_size, &b) != FileAccess::ReadResult::Ok)
        return false;
    for (;;) {
        const QByteArray x = a.read(1 << 20), y = b.read(1 << 20);
        if (x != y)
            return false;
        if (x.isEmpty())
            return a.error() == QFileDevice::NoError && b.error() == QFileDevice::NoError;
    }
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

QString copyIn(const QString &chosen, const QString &libraryFolder)
{
    const QFileInfo source(chosen);
    if (!source.isFile() || !QFileInfo(libraryFolder).isDir())
        return QString();
    const QDir library(libraryFolder);
    const QString name = source.fileName();

    // The chosen file is the library file itself: copying it onto itself
    // could only damage it, so it is used as it is.
    if (sameFile(chosen, library.filePath(name)))
        return library.filePath(name);

    const QMutexLocker lock(&libraryMutex);
    // The same picture chosen again, from here or from another folder.
    const int highest = highestNumber(libraryFolder, name);
    for (int n = 1; n <= highest; ++n) {
        const QString held = library.filePath(numbered(name, n));
        if (numbered(name, n) != OriginsName && sameContent(chosen, held)) {
            recordOrigin(libraryFolder, numbered(name, n), chosen, false);
            return held;
        }
    }
    // Another picture of that name: the copy goes in beside it. The copy
    // takes its name only while it is free, so not even a file put there
    // meanwhile is replaced.
    for (int n = 1; n <= MaxNumber; ++n) {
        // Names taken are passed over without writing a copy; the record's
        // own name even before it is written.
        struct stat st;
        if (numbered(name, n) == OriginsName
            || ::lstat(QFile::encodeName(library.filePath(numbered(name, n))).constData(), &st) == 0)
            continue;
        switch (FileAccess::copyFile(chosen, library.filePath(numbered(name, n)))) {
        case FileAccess::CopyResult::Copied:
            recordOrigin(libraryFolder, numbered(name, n), chosen, true);
            return library.filePath(numbered(name, n));
        case FileAccess::CopyResult::NameTaken:
            continue;
        case FileAccess::CopyResult::Failed:
            return QString();
        }
    }
    return QString();
}

QString copyOf(const QString &path, const QString &libraryFolder)
{
    const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString name = path.mid(cut + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name == OriginsName)
        return QString();
    const QDir library(libraryFolder);

    const QMutexLocker lock(&libraryMutex);
    const QList<Origin> origins = readOrigins(libraryFolder);
    for (auto o = origins.crbegin(); o != origins.crend(); ++o)
        if (o->path == path && FileAccess::isRegularFile(library.filePath(o->copy)))
            return library.filePath(o->copy);

    QString folderPart = path.left(qMax<qsizetype>(cut, 0));
    folderPart.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool libraryPath = (QLatin1Char('/') + folderPart).endsWith(QLatin1String("/Images/originale"), Qt::CaseInsensitive);
    bool madeFromAnother = false;
    for (const Origin &o : origins)
        madeFromAnother = madeFromAnother || o.copy == name;
    const QString copy = library.filePath(name);
    return (libraryPath || !madeFromAnother) && FileAccess::isRegularFile(copy) ? copy : QString();
}

} // namespace PictureLibrary
