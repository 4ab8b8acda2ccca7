#pragma once
// Makes a file or a folder refuse writes for the lifetime of the object:
// write permission taken away, and where that does not bind (root), the
// immutable attribute as well. ok() is false when neither works; the tests
// then skip that case.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QUuid>

class ReadOnlyPath
{
public:
    explicit ReadOnlyPath(const QString &path)
        : m_path(path), m_isDir(QFileInfo(path).isDir()), m_perms(QFileInfo(path).permissions())
    {
        const QFileDevice::Permissions readOnly = m_isDir
            ? (QFileDevice::ReadOwner | QFileDevice::ExeOwner)
            : (QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        QFile::setPermissions(path, readOnly);
        if (refusesWrites())
            return;
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0) {
            m_immutable = true;
            if (refusesWrites())
                return;
        }
        release();
        m_ok = false;
    }
    ~ReadOnlyPath() { release(); }
    ReadOnlyPath(const ReadOnlyPath &) = delete;
    ReadOnlyPath &operator=(const ReadOnlyPath &) = delete;

    bool ok() const { return m_ok; }

private:
    bool refusesWrites() const
    {
        if (m_isDir) {
            QFile probe(m_path + QStringLiteral("/probe-") + QUuid::createUuid().toString(QUuid::Id128));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.close();
                probe.remove();
                return false;
            }
            return true;
        }
        // Opening for append writes nothing, so the probe leaves the file as it is.
        QFile probe(m_path);
        return !probe.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    void release()
    {
        if (m_immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        m_immutable = false;
        QFile::setPermissions(m_path, m_perms);
    }

    QString m_path;
    bool m_isDir;
    QFileDevice::Permissions m_perms;
    bool m_immutable = false;
    bool m_ok = true;
};
