#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <sys/sysmacros.h>

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

// How long a second start waits for the owner to answer, all steps
// together: the owner may have just taken the lock and not yet be listening,
// or be stopped and never answer.
constexpr int AnswerWaitMs = 5000;
// How long one request waits for the owner to read it and close.
constexpr int ReadWaitMs = 1000;

// The owner reads this many connections at once at most; more wait in the
// socket's queue, and once that is full a start trying to connect is
// refused at once and tries again. So connections that never send anything
// cannot take the descriptors the game needs for its own files.
constexpr int MaxConnections = 8;
// How long an accepted connection may stay without a whole request; a
// second start sends its request at once.
constexpr int RequestWaitMs = 1000;
// How long listening pauses when no descriptor is left for a connection:
// the connection stays queued, and trying again at once would take a core.
constexpr int DescriptorPauseMs = 250;

// True when path is a folder (not a link) of this user that no one else may
// enter.
bool isPrivateFolder(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)
           && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

// The longest folder a socket named "<folder>/zandor-<16 hex digits>" fits
// into (sun_path holds 108 bytes with the closing zero).
constexpr int MaxSocketFolder = int(sizeof(sockaddr_un::sun_path)) - 1 - 24;

bool fitsSocketName(const QString &folder)
{
    return QFile::encodeName(folder).size() <= MaxSocketFolder;
}

QString runtimeFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && fitsSocketName(xdg) && isPrivateFolder(xdg))
        return xdg;
    // A folder of our own in the temporary folder (or in /tmp when that
    // path is too long for a socket). One that someone else made first, or
    // that others may enter, is not used.
    for (const QString &temporary : {QDir::tempPath(), QStringLiteral("/tmp")}) {
        const QString own = temporary + QStringLiteral("/zandor-%1").arg(::getuid());
        if (!fitsSocketName(own))
            continue;
        ::mkdir(QFile::encodeName(own).constData(), 0700);
        return isPrivateFolder(own) ? own : QString();
    }
    return QString();
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
// took the request. Never waits longer than ms: a stopped owner accepts
// nothing, and once its queue is full a blocking connect would wait for ever.
bool askOwnerToActivate(const QString &name, int ms)
{
    sockaddr_un address{};
    if (!toAddress(name, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    bool asked = false;
    // A local connection is made at once or refused at once (EAGAIN when the
    // owner's queue is full).
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0) {
        asked = ::send(fd, ActivateRequest.constData(), std::size_t(ActivateRequest.size()),
                       MSG_NOSIGNAL | MSG_DONTWAIT)
                == ActivateRequest.size();
        // Wait until the owner has read the request and closed, at most ms
        // in all however much it sends.
        QElapsedTimer waited;
        waited.start();
        char rest[16];
        while (asked && waited.elapsed() < ms && waitFor(fd, POLLIN, int(ms - waited.elapsed()))
               && ::read(fd, rest, sizeof rest) > 0) {
        }
    }
    ::close(fd);
    return asked;
}

// The user id of the process holding a lock on the file open as fd, from
// the kernel's list of locks; -1 when none is listed or it cannot be told.
long lockHolderUid(int fd)
{
    struct stat st;
    QFile locks(QStringLiteral("/proc/locks"));
    if (::fstat(fd, &st) != 0 || !locks.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray file = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':'
                            + QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':'
                            + QByteArray::number(quint64(st.st_ino));
    // "1: FLOCK  ADVISORY  WRITE 1234 fe:00:10952795 0 EOF"
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 6 || f.at(1) != "FLOCK" || f.at(5) != file)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(QString::fromLatin1(f.at(4))));
        if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
            return -1;
        for (const QByteArray &field : status.readAll().split('\n'))
            if (field.startsWith("Uid:")) {
                bool ok = false;
                const long uid = field.mid(4).simplified().split(' ').value(0).toLong(&ok);
                return ok ? uid : -1;
            }
        return -1;
    }
    return -1;
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

QString SingleInstance::refusalText(const QString &lockFile)
{
    return tr("Zandor kann nicht starten: Die Sperrdatei\n    %1\nkann nicht geöffnet werden "
              "oder ein anderer Benutzer hält sie.")
        .arg(QDir::toNativeSeparators(lockFile));
}

bool SingleInstance::claim()
{
    if (m_lock >= 0)
        return true;
    m_lockable = true;
    m_heldBy = -1;
    const QByteArray path = QFile::encodeName(m_folder + QLatin1Char('/') + QLatin1String(LockName));
    // A few rounds: a lock file replaced by another start between our open
    // and our lock is opened again.
    for (int round = 0; round < 5; ++round) {
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd < 0 && errno == EACCES)
            fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        struct stat st;
        if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd);
            fd = -1;
        }
        if (fd < 0) {
            // A symbolic link (dangling or not), a FIFO or a socket in the lock
            // file's place is replaced by a fresh lock file; a folder there,
            // or a file that cannot be opened, leaves the folder without a lock.
            struct stat here;
            if (::lstat(path.constData(), &here) == 0 && !S_ISREG(here.st_mode) && !S_ISDIR(here.st_mode)
                && ::unlink(path.constData()) == 0)
                continue;
            m_lockable = false;
            return false;
        }
        // Readable by its owner only: no other user can hold a lock on it.
        if (st.st_uid == ::geteuid() && (st.st_mode & 07777) != 0600)
            ::fchmod(fd, 0600);
        int result;
        do
            result = ::flock(fd, LOCK_EX | LOCK_NB);
        while (result != 0 && errno == EINTR);
        if (result != 0) {
            m_heldBy = lockHolderUid(fd);
            ::close(fd);
            return false;
        }
        // Still the file of that name (not replaced meanwhile by a start
        // that found a link there): then the lock is ours.
        struct stat now;
        if (::lstat(path.constData(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino) {
            m_lock = fd;
            return true;
        }
        ::close(fd);
    }
    return false;
}

bool SingleInstance::activateRunningInstance()
{
    m_refusal.clear();
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (claim())
            return false;
        // No lock to be had, or another user's game holds it: nothing this
        // start can ask, and waiting would not help.
        if (!m_lockable || (m_heldBy >= 0 && uid_t(m_heldBy) != ::geteuid())) {
            m_refusal = refusalText(m_folder + QLatin1Char('/') + QLatin1String(LockName));
            return true;
        }
        const qint64 left = AnswerWaitMs - waited.elapsed();
        if (left <= 0)
            return true;    // the folder has an owner that does not answer; no second window
        if (askOwnerToActivate(m_name, int(qMin<qint64>(left, ReadWaitMs))))
            return true;
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
    while (m_server && m_connections.size() < MaxConnections) {
        const int client = ::accept4(m_listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // No descriptor (EMFILE, ENFILE) or memory left.
                m_server->setEnabled(false);
                QTimer::singleShot(DescriptorPauseMs, this, [this] {
                    if (m_server)
                        m_server->setEnabled(true);
                });
            }
            return;
        }
        // Only the user's own processes may bring the window forward.
        if (peerUid(client) != ::getuid()) {
            ::close(client);
            continue;
        }
        // The request is read as it comes; the connection is closed once
        // it is whole, when the other side ends or sends too much, or when
        // it has not come in time.
        auto *reader = new QSocketNotifier(client, QSocketNotifier::Read, this);
        m_connections.insert(client, reader);
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
            endConnection(client, reader);
            if (whole)
                emit activationRequested();
        });
        QTimer::singleShot(RequestWaitMs, reader, [this, reader, client] { endConnection(client, reader); });
    }
    // As many connections as are read at once: the others wait until one ends.
    if (m_server)
        m_server->setEnabled(false);
}

void SingleInstance::endConnection(int client, QSocketNotifier *reader)
{
    // The same descriptor may belong to a later connection by now.
    if (m_connections.value(client) != reader)
        return;
    m_connections.remove(client);
    reader->setEnabled(false);
    reader->deleteLater();
    ::close(client);
    if (m_server)
        m_server->setEnabled(true);
}

void SingleInstance::stop()
{
    for (auto c = m_connections.cbegin(); c != m_connections.cend(); ++c) {
        delete c.value();
        ::close(c.key());
    }
    m_connections.clear();
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
