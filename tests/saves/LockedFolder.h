#pragma once
// Makes a folder refuse new and removed entries for the lifetime of the
// object: write permission taken away, and where that does not bind (root),
// the immutable attribute. ok() is false when neither works; tests then skip.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QUuid>

class LockedFolder
{
public:
    explicit LockedFolder(const QString &path) : m_path(path)
    {
        m_perms = QFileInfo(path).permissions();
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (refusesNewFiles())
            return;
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0) {
            m_immutable = true;
            if (refusesNewFiles())
                return;
        }
        release();
        m_ok = false;
    }
    ~LockedFolder() { release(); }
    LockedFolder(const LockedFolder &) = delete;
    LockedFolder &operator=(const LockedFolder &) = delete;

    bool ok() const { return m_ok; }

private:
    bool refusesNewFiles() const
    {
        QFile probe(m_path + QStringLiteral("/probe-") + QUuid::createUuid().toString(QUuid::Id128));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.close();
            probe.remove();
            return false;
        }
        return true;
    }
    void release()
    {
        if (m_immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        m_immutable = false;
        QFile::setPermissions(m_path, m_perms);
    }

    QString m_path;
    QFileDevice::Permissions m_perms;
    bool m_immutable = false;
    bool m_ok = true;
};
