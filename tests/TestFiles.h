#pragma once
// Shared by the tests: whole-file reads and writes, pictures as bytes, a full
// disk, a read-only folder, and layouts (fields 0..15, 100 = the empty field).
#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QUuid>
#include <QVector>

#include <csignal>
#include <numeric>
#include <sys/resource.h>

// The file's bytes, or "<unreadable>".
inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A picture as a file of that format holds it (a JPEG progressive if asked), or nothing.
inline QByteArray encoded(const QImage &image, const char *format, bool progressive = false)
{
    QBuffer buffer;
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    return buffer.open(QIODevice::WriteOnly) && writer.write(image) ? buffer.data() : QByteArray();
}

// The solved layout of a board of side x side fields: the tiles in order, then 100.
inline QVector<qint16> solvedLayout(int side = 4)
{
    QVector<qint16> z(side * side);
    std::iota(z.begin(), z.end(), 0);
    return z.back() = 100, z;
}

// A layout written out, field by field ("0 1 ... 100 14").
inline QVector<qint16> fields(const char *text)
{
    QVector<qint16> v;
    for (const QByteArray &n : QByteArray(text).split(' '))
        v << n.toShort();
    return v;
}
inline QVector<qint16> swapped(QVector<qint16> f, int a, int b) { return std::swap(f[a], f[b]), f; }

// While it lives, a write beyond `bytes` fails with EFBIG (SIGXFSZ ignored),
// exactly as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old), std::signal(SIGXFSZ, m_oldHandler); }
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
    bool m_active = false;
};

// A folder that refuses writes while it lives: write permission taken away
// and, where that does not bind (root), the immutable attribute; ok() false
// when neither works.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path) : m_path(path), m_perms(QFile::permissions(path))
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        m_immutable = !ok() && chattr("+i");
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            chattr("-i");
        QFile::setPermissions(m_path, m_perms);
    }
    bool ok() const
    {
        QFile probe(m_path + QStringLiteral("/probe-") + QUuid::createUuid().toString(QUuid::Id128));
        return !probe.open(QIODevice::WriteOnly) || (probe.remove(), false);
    }

private:
    bool chattr(const char *flag) const { return QProcess::execute(QStringLiteral("chattr"), {flag, m_path}) == 0; }
    QString m_path;
    QFileDevice::Permissions m_perms;
    bool m_immutable = false;
};
