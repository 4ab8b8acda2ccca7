#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {
const QByteArray ActivateRequest = "activate\n";
}

SingleInstance::SingleInstance(const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_name(serverName(programFolder))
{
}

QString SingleInstance::serverName(const QString &programFolder)
{
    const QString folder = QDir(programFolder).canonicalPath().isEmpty()
                               ? QDir::cleanPath(programFolder)
                               : QDir(programFolder).canonicalPath();
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("zandor-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

bool SingleInstance::activateRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(500))
        return false;  // nobody listens: no instance, or a stale socket
    socket.write(ActivateRequest);
    socket.flush();
    socket.waitForBytesWritten(1000);
    // Wait until the first instance has read the request and closed.
    socket.waitForDisconnected(1000);
    return true;
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A crashed instance leaves its socket file behind; nobody answered
        // on it, so it is safe to remove.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains("activate"))
                    emit activationRequested();
                client->disconnectFromServer();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    return true;
}

void SingleInstance::stop()
{
    if (m_server)
        m_server->close();
}
