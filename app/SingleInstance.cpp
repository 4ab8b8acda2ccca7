#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray ActivateRequest = "activate\n";

// How long a second start waits for the owner to answer: the owner may have
// just taken the lock and not yet be listening.
constexpr int AnswerWaitMs = 5000;

// True when path is a folder (not a link) of this user that no one else may
// enter.
bool isPrivateFolder(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)
           && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

QString runtimeFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && isPrivateFolder(xdg))
        return xdg;
    // A folder of our own in the temporary folder. One that someone else
    // made first is not used.
    const QString own = QDir::tempPath() + QStringLiteral("/zandor-%1").arg(::getuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateFolder(own) ? own : QString();
}

uid_t peerUid(qintptr descriptor)
{
    struct ucred cred{};
    socklen_t length = sizeof cred;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0)
        return uid_t(-1);
    return cred.uid;
}
} // namespace

SingleInstance::SingleInstance(const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_folder(programFolder)
    , m_name(serverName(programFolder))
{
}

SingleInstance::~SingleInstance()
{
    if (m_lock >= 0)
        ::close(m_lock);
}

QString SingleInstance::serverName(const QString &programFolder)
{
    const QString canonical = QDir(programFolder).canonicalPath();
    const QString folder = canonical.isEmpty() ? QDir::cleanPath(programFolder) : canonical;
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    const QString runtime = runtimeFolder();
    if (runtime.isEmpty())
        return QString();
    return runtime + QStringLiteral("/zandor-") + QString::fromLatin1(hash);
}

bool SingleInstance::claim()
{
    if (m_lock >= 0)
        return true;
    const QByteArray path = QFile::encodeName(m_folder + QLatin1Char('/') + QLatin1String(LockName));
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        // A program folder nobody may write to: the socket alone decides.
        m_lockable = false;
        return false;
    }
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return false;
    }
    m_lock = fd;
    return true;
}

bool SingleInstance::activateRunningInstance()
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (claim())
            return false;
        if (!m_name.isEmpty()) {
            QLocalSocket socket;
            socket.connectToServer(m_name);
            if (socket.waitForConnected(200)) {
                socket.write(ActivateRequest);
                socket.flush();
                socket.waitForBytesWritten(1000);
                // Wait until the owner has read the request and closed.
                socket.waitForDisconnected(1000);
                return true;
            }
        }
        if (!m_lockable)
            return false;   // nobody answers and there is no lock to ask
        if (waited.elapsed() > AnswerWaitMs)
            return true;    // the folder has an owner; no second window
        QThread::msleep(50);
    }
}

bool SingleInstance::listen()
{
    if (m_name.isEmpty())
        return false;
    m_server = new QLocalServer(this);
    if (m_lock >= 0) {
        // The owner of the folder: a socket of that name was left by a
        // crashed owner.
        QLocalServer::removeServer(m_name);
    }
    if (!m_server->listen(m_name)) {
        if (m_lock >= 0 || m_server->serverError() != QAbstractSocket::AddressInUseError)
            return false;
        // Without a lock: nobody answered on the socket, so it is stale.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            // Only the user's own processes may bring the window forward.
            if (peerUid(client->socketDescriptor()) != ::getuid()) {
                client->abort();
                client->deleteLater();
                continue;
            }
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains("activate"))
                    emit activationRequested();
                client->disconnectFromServer();
            });
        }
    });
    return true;
}

void SingleInstance::stop()
{
    if (m_server)
        m_server->close();
    if (m_lock >= 0) {
        ::close(m_lock);
        m_lock = -1;
    }
}
