#include "base/FileAccess.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
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
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    const QByteArray target = QFile::encodeName(path);
    const QFileInfo info(path);
    if (info.isDir())
        return false;
    QByteArray pattern = QFile::encodeName(info.absolutePath()) + "/." + QFile::encodeName(info.fileName())
                         + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, 0644) == 0 && writeAll(fd, bytes.constData(), bytes.size())
              && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(pattern.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(pattern.constData());
    return ok;
}

ReadResult readRegular(const QString &path, qint64 maxBytes, QByteArray *out)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that opening a FIFO does not wait for a writer; the
    // type is then checked on what was really opened.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return ReadResult::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::NotRegular;
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        return ReadResult::TooLarge;
    }
    QByteArray data;
    data.resize(qsizetype(st.st_size));
    qint64 got = 0;
    while (got < st.st_size) {
        const ssize_t n = ::read(fd, data.data() + got, size_t(st.st_size - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    // A file that grew meanwhile is read no further than its size at open.
    ::close(fd);
    data.truncate(qsizetype(got));
    *out = data;
    return ReadResult::Ok;
}

bool isRegularFile(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace FileAccess
