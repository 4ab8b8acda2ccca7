#pragma once
// Files for tests: whole reads and writes, a full disk and a read-only place.
#include <QFile>
#include <QProcess>
#include <QUuid>

#include <csignal>
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

// While it lives the process may not write a file beyond `bytes`
// (RLIMIT_FSIZE): write() fails with EFBIG instead of SIGXFSZ killing the
// process, and the file system refuses data exactly as a full disk does.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

// A folder that refuses writes while it lives: write permission taken away
// and, where that does not bind (root), the immutable attribute. ok() is
// false when neither works; the tests then skip that case.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path) : m_path(path), m_perms(QFile::permissions(path))
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        m_immutable = !refusesWrites() && QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
        m_ok = refusesWrites();
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        QFile::setPermissions(m_path, m_perms);
    }
    bool ok() const { return m_ok; }

private:
    bool refusesWrites() const
    {
        QFile probe(m_path + QStringLiteral("/probe-") + QUuid::createUuid().toString(QUuid::Id128));
        return !probe.open(QIODevice::WriteOnly) || (probe.remove(), false);
    }
    QString m_path;
    QFileDevice::Permissions m_perms;
    bool m_immutable = false;
    bool m_ok = false;
};
