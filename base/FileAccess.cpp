#include "base/FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

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

// The rename is durable only once the folder's entry is on the disk too.
// A failure here does not undo the replacement, so it is not reported.
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

enum class Limit { Refuse, Cut };

// Opens the regular file at path for reading: its descriptor and size, or
// -1 and why not. With Limit::Refuse a file longer than maxBytes is TooLarge.
int openRegularFile(const QString &path, qint64 maxBytes, Limit limit, ReadResult *why, qint64 *size)
{
    const QByteArray name = nativeName(path);
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

ReadResult readFile(const QString &path, qint64 maxBytes, Limit limit, QByteArray *out)
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

bool writeAtomically(const QString &path, const QByteArray &bytes, Durability durability)
{
    const bool synced = durability == Durability::Synced;
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(path);
    // A folder cannot be replaced by a file; a link to one can (the link is
    // replaced, not followed).
    struct stat here;
    if (info.fileName().isEmpty() || (::lstat(target.constData(), &here) == 0 && S_ISDIR(here.st_mode)))
        return false;
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    QByteArray temporary = folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    // The new file takes the permissions of the regular file it replaces;
    // a new file (or one replacing a link) is readable by all, as usual.
    struct stat old;
    const mode_t mode = ::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode) ? old.st_mode & 07777 : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes.constData(), bytes.size())
              && (!synced || ::fsync(fd) == 0);
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(temporary.constData(), target.constData()) == 0;
    if (!ok) {
        ::unlink(temporary.constData());
        return false;
    }
    if (synced)
        syncFolder(folder);
    return true;
}

ReadResult readRegular(const QString &path, qint64 maxBytes, QByteArray *out)
{
    return readFile(path, maxBytes, Limit::Refuse, out);
}

ReadResult readHead(const QString &path, qint64 maxBytes, QByteArray *out)
{
    return readFile(path, maxBytes, Limit::Cut, out);
}

ReadResult openRegular(const QString &path, qint64 maxBytes, QFile *file)
{
    ReadResult why;
    qint64 size = 0;
    const int fd = openRegularFile(path, maxBytes, Limit::Refuse, &why, &size);
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
