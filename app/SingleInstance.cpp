#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>

#include <memory>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

uid_t peerUid(int descriptor)
{
    struct ucred cred{};
    socklen_t length = sizeof cred;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0)
        return uid_t(-1);
    return cred.uid;
}

// The socket's address; false when there is no name or it does not fit.
bool toAddress(const QString &name, sockaddr_un *address)
{
    const QByteArray path = QFile::encodeName(name);
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof address->sun_path)
        return false;
    address->sun_family = AF_UNIX;
    std::memcpy(address->sun_path, path.constData(), std::size_t(path.size()) + 1);
    return true;
}

// Waits until fd is ready for events or the time is up.
bool waitFor(int fd, short events, int ms)
{
    pollfd p{fd, events, 0};
    int r;
    do
        r = ::poll(&p, 1, ms);
    while (r < 0 && errno == EINTR);
    return r > 0;
}

// Asks the game listening on name to bring its window forward; true when it
// took the request.
bool askOwnerToActivate(const QString &name)
{
    sockaddr_un address{};
    if (!toAddress(name, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool asked = false;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0) {
        asked = ::send(fd, ActivateRequest.constData(), std::size_t(ActivateRequest.size()), MSG_NOSIGNAL)
                == ActivateRequest.size();
        // Wait until the owner has read the request and closed.
        char rest[16];
        while (asked && waitFor(fd, POLLIN, 1000) && ::read(fd, rest, sizeof rest) > 0) {
        }
    }
    ::close(fd);
    return asked;
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
    stop();
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
        if (askOwnerToActivate(m_name))
            return true;
        if (!m_lockable)
            return false;   // nobody answers and there is no lock to ask
        if (waited.elapsed() > AnswerWaitMs)
            return true;    // the folder has an owner; no second window
        QThread::msleep(50);
    }
}

bool SingleInstance::listen()
{
    sockaddr_un address{};
    if (!toAddress(m_name, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // The owner of the folder: a socket of that name was left by a crashed
    // owner. Without a lock, a socket nobody answered on is stale as well.
    if (m_lock >= 0)
        ::unlink(address.sun_path);
    int bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    if (bound != 0 && m_lock < 0 && errno == EADDRINUSE) {
        ::unlink(address.sun_path);
        bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    }
    if (bound != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    m_listening = fd;
    m_server = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_server, &QSocketNotifier::activated, this, &SingleInstance::acceptRequests);
    return true;
}

void SingleInstance::acceptRequests()
{
    for (;;) {
        const int client = ::accept4(m_listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            return;
        // Only the user's own processes may bring the window forward.
        if (peerUid(client) != ::getuid()) {
            ::close(client);
            continue;
        }
        // The request is read as it comes; the connection is closed once
        // it is whole, or when the other side ends or sends too much.
        auto *reader = new QSocketNotifier(client, QSocketNotifier::Read, this);
        auto received = std::make_shared<QByteArray>();
        connect(reader, &QSocketNotifier::activated, this, [this, reader, client, received] {
            char buffer[64];
            const ssize_t n = ::read(client, buffer, sizeof buffer);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            if (n > 0)
                received->append(buffer, int(n));
            const bool whole = received->contains(ActivateRequest);
            if (n > 0 && !whole && received->size() < ActivateRequest.size() * 4)
                return;
            reader->setEnabled(false);
            reader->deleteLater();
            ::close(client);
            if (whole)
                emit activationRequested();
        });
    }
}

void SingleInstance::stop()
{
    if (m_server) {
        delete m_server;
        m_server = nullptr;
        ::close(m_listening);
        m_listening = -1;
        sockaddr_un address{};
        if (toAddress(m_name, &address))
            ::unlink(address.sun_path);
    }
    if (m_lock >= 0) {
        ::close(m_lock);
        m_lock = -1;
    }
}
