#include "base/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cctype>
#include <limits>

namespace FileAccess {

namespace {

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;   // ENOSPC, EFBIG, EIO ...
        }
        if (n == 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

SyncFunction &syncFunction()
{
    static SyncFunction sync = ::fsync;
    return sync;
}

// The rename is durable only once the folder's entry is on the disk too.
// A failure here does not undo the replacement, so it is not reported.
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        syncFunction()(fd);
        ::close(fd);
    }
}

// The writer's temporary names: a fixed prefix and six random characters,
// short whatever the name of the file they replace (which may itself be as
// long as a name can be).
constexpr char TemporaryPrefix[] = ".zandor-tmp.";
constexpr int TemporaryRandom = 6;
const char RandomCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool isRandomTail(const QByteArray &tail)
{
    if (tail.size() != TemporaryRandom)
        return false;
    for (char c : tail)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    return true;
}

enum class Limit { Refuse, Cut };

// Opens the regular file at path for reading: its descriptor and size, or
// -1 and why not. With Limit::Refuse a file longer than maxBytes is TooLarge.
int openRegularFile(const QByteArray &name, qint64 maxBytes, Limit limit, ReadResult *why, qint64 *size)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer; the
    // type is then checked on what was really opened.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            *why = ReadResult::Missing;
        // A FIFO without a reader opened for writing, a socket, a device
        // without a driver: not a file the game could read.
        else if (errno == ENXIO || errno == ENODEV || errno == EOPNOTSUPP)
            *why = ReadResult::NotRegular;
        else
            *why = ReadResult::Failed;
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        *why = ReadResult::Failed;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        *why = ReadResult::NotRegular;
        return -1;
    }
    if (st.st_size > maxBytes && limit == Limit::Refuse) {
        ::close(fd);
        *why = ReadResult::TooLarge;
        return -1;
    }
    *why = ReadResult::Ok;
    *size = st.st_size;
    return fd;
}

ReadResult readFile(const QByteArray &path, qint64 maxBytes, Limit limit, QByteArray *out)
{
    ReadResult why;
    qint64 size = 0;
    const int fd = openRegularFile(path, maxBytes, limit, &why, &size);
    if (fd < 0)
        return why;
    const qint64 wanted = qMin<qint64>(size, maxBytes);
    QByteArray data;
    data.resize(qsizetype(wanted));
    qint64 got = 0;
    bool failed = false;
    while (got < wanted) {
        const ssize_t n = ::read(fd, data.data() + got, size_t(wanted - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed = true;
        if (n <= 0)
            break;
        got += n;
    }
    // A file that shrank meanwhile gives what it still holds; one that grew
    // is read no further than its size at open.
    ::close(fd);
    if (failed)
        return ReadResult::Failed;
    data.truncate(qsizetype(got));
    *out = data;
    return ReadResult::Ok;
}

} // namespace

SyncFunction setSync(SyncFunction sync)
{
    const SyncFunction old = syncFunction();
    syncFunction() = sync ? sync : ::fsync;
    return old;
}

int createTemporary(const QByteArray &folder, mode_t mode, QByteArray *name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray candidate = folder + '/' + TemporaryPrefix;
        for (int i = 0; i < TemporaryRandom; ++i)
            candidate += RandomCharacters[QRandomGenerator::global()->bounded(int(sizeof RandomCharacters - 1))];
        const int fd = ::open(candidate.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0) {
            *name = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// The folder holding target ("." for a bare name, "/" for a file in the root).
QByteArray folderOf(const QByteArray &target)
{
    const qsizetype slash = target.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
}

// Gives the temporary file the name target only while no entry of that
// name exists; errno EEXIST when one does. A file system that cannot rename
// without replacing gets a second name for the file (a hard link) instead;
// one without hard links is asked first whether the name is free.
bool renameWithoutReplacing(const QByteArray &temporary, const QByteArray &target)
{
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    if (::link(temporary.constData(), target.constData()) == 0) {
        ::unlink(temporary.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
    struct stat st;
    if (::lstat(target.constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(temporary.constData(), target.constData()) == 0;
}

// Ends a replacement whose new content stands in the temporary file of fd:
// closed, renamed to target when everything went well (ok) and target may
// be replaced or is free, removed otherwise; the folder's new entry synced
// when asked for. When the temporary file is given up, errno tells why.
bool finishReplacement(int fd, bool ok, const QByteArray &temporary, const QByteArray &target, bool synced,
                       bool replace = true)
{
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = replace ? ::rename(temporary.constData(), target.constData()) == 0
                     : renameWithoutReplacing(temporary, target);
    if (!ok) {
        const int why = errno;
        ::unlink(temporary.constData());
        errno = why;
        return false;
    }
    if (synced)
        syncFolder(folderOf(target));
    return true;
}

bool isTemporaryName(const QByteArray &name)
{
    return name.startsWith(TemporaryPrefix) && isRandomTail(name.mid(qsizetype(sizeof TemporaryPrefix - 1)));
}

bool mayReplace(const QByteArray &target)
{
    struct stat st;
    if (::lstat(target.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return true;
    // The owner's own write right counts even for the superuser, whom
    // access() lets write anything.
    if (st.st_uid == ::geteuid())
        return (st.st_mode & S_IWUSR) != 0;
    return ::access(target.constData(), W_OK) == 0;
}

bool writeAtomically(const QString &path, const QByteArray &bytes, Durability durability)
{
    return writeAtomically(NativePath{QFile::encodeName(path)}, bytes, durability);
}

bool writeAtomically(const NativePath &path, const QByteArray &bytes, Durability durability)
{
    const bool synced = durability == Durability::Synced;
    const QByteArray &target = path.bytes;
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray fileName = target.mid(slash + 1);
    // A folder cannot be replaced by a file; a link to one can (the link is
    // replaced, not followed). A file the player made read-only keeps its
    // content.
    struct stat old;
    const bool hasOld = ::lstat(target.constData(), &old) == 0;
    if (fileName.isEmpty() || fileName == "." || fileName == ".." || (hasOld && S_ISDIR(old.st_mode))
        || !mayReplace(target))
        return false;
    const QByteArray folder = folderOf(target);
    // The new file takes the permissions of the regular file it replaces;
    // a new file (or one replacing a link) gets the usual rights under the
    // process's file creation mask. The temporary file is readable by its
    // owner only until it has those rights.
    const bool keepMode = hasOld && S_ISREG(old.st_mode);
    QByteArray temporary;
    const int fd = createTemporary(folder, keepMode ? 0600 : 0644, &temporary);
    if (fd < 0)
        return false;
    const bool ok = (!keepMode || ::fchmod(fd, old.st_mode & 07777) == 0) && writeAll(fd, bytes.constData(), bytes.size())
                    && (!synced || syncFunction()(fd) == 0);
    return finishReplacement(fd, ok, temporary, target, synced);
}

CopyResult copyFile(const QString &from, const QString &to)
{
    QFile in;
    if (openRegular(from, std::numeric_limits<qint64>::max(), &in) != ReadResult::Ok)
        return CopyResult::Failed;
    const QByteArray target = QFile::encodeName(to);
    QByteArray temporary;
    // 0644 under the file creation mask, whatever rights the source has.
    const int fd = createTemporary(folderOf(target), 0644, &temporary);
    if (fd < 0)
        return CopyResult::Failed;
    bool ok = true;
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (!writeAll(fd, chunk.constData(), chunk.size())) {
            ok = false;
            break;
        }
    }
    ok = ok && in.error() == QFileDevice::NoError && in.atEnd() && syncFunction()(fd) == 0;
    if (finishReplacement(fd, ok, temporary, target, true, false))
        return CopyResult::Copied;
    return ok && errno == EEXIST ? CopyResult::NameTaken : CopyResult::Failed;
}

int removeTemporaries(const QString &folder, const QList<QByteArray> &replacedNames)
{
    const QByteArray name = QFile::encodeName(folder);
    DIR *dir = ::opendir(name.constData());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray file(entry->d_name);
        bool ours = isTemporaryName(file);
        // An earlier writer named its temporary file after the file it
        // replaced: "." + name + "." + six random characters.
        if (!ours && file.startsWith('.') && file.size() > TemporaryRandom + 2
            && file.at(file.size() - TemporaryRandom - 1) == '.' && isRandomTail(file.right(TemporaryRandom))) {
            const QByteArray replaced = file.mid(1, file.size() - TemporaryRandom - 2);
            for (const QByteArray &pattern : replacedNames)
                ours = ours || pattern == "*" || replaced == pattern
                       || (pattern.startsWith('*') && replaced.size() > pattern.size() - 1
                           && replaced.endsWith(pattern.mid(1)));
        }
        struct stat st;
        if (ours && ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
            && ::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

ReadResult readRegular(const QString &path, qint64 maxBytes, QByteArray *out)
{
    return readFile(nativeName(path), maxBytes, Limit::Refuse, out);
}

ReadResult readHead(const QString &path, qint64 maxBytes, QByteArray *out)
{
    return readFile(nativeName(path), maxBytes, Limit::Cut, out);
}

ReadResult readHead(const NativePath &path, qint64 maxBytes, QByteArray *out)
{
    return readFile(path.bytes, maxBytes, Limit::Cut, out);
}

ReadResult openRegular(const QString &path, qint64 maxBytes, QFile *file)
{
    ReadResult why;
    qint64 size = 0;
    const int fd = openRegularFile(nativeName(path), maxBytes, Limit::Refuse, &why, &size);
    if (fd < 0)
        return why;
    if (!file->open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return ReadResult::Failed;
    }
    return ReadResult::Ok;
}

QString decodeName(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QByteArray nativeName(const QString &path)
{
    const QByteArray utf8 = QFile::encodeName(path);
    struct stat st;
    if (::lstat(utf8.constData(), &st) == 0)
        return utf8;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString last = path.mid(slash + 1);
    for (QChar c : last)
        if (c.unicode() > 0xFF)
            return utf8;
    const QByteArray latin1 = QFile::encodeName(path.left(slash + 1)) + last.toLatin1();
    return latin1 != utf8 && ::lstat(latin1.constData(), &st) == 0 ? latin1 : utf8;
}

bool isRegularFile(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QByteArray identity(const QString &path)
{
    struct stat st;
    if (::stat(nativeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return QByteArray();
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) + ':'
        + QByteArray::number(qint64(st.st_size)) + ':' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
        + QByteArray::number(qint64(st.st_mtim.tv_nsec));
}

namespace {
constexpr char NoteName[] = "user.zandor.note";
constexpr int MaxNote = 1024;
} // namespace

QByteArray note(const QString &path)
{
    char value[MaxNote];
    const ssize_t n = ::getxattr(nativeName(path).constData(), NoteName, value, sizeof value);
    return n > 0 ? QByteArray(value, int(n)) : QByteArray();
}

bool setNote(const QString &path, const QByteArray &value)
{
    return value.size() <= MaxNote
        && ::setxattr(nativeName(path).constData(), NoteName, value.constData(), size_t(value.size()), 0) == 0;
}

} // namespace FileAccess
