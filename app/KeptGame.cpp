#include "app/KeptGame.h"

#include "base/FileAccess.h"

#include <QFile>
#include <QThreadPool>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Renames from to to unless something stands at to already; never replaces.
bool renameWithoutReplacing(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace rename: look, then rename (the
    // program folder's lock keeps other writers away).
    struct stat st;
    if (::lstat(to.constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return errno == ENOENT && ::rename(from.constData(), to.constData()) == 0;
}

} // namespace

KeptGame::KeptGame(const QString &path, Writer writer, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_writer(writer ? std::move(writer) : Writer([](const QString &p, const QByteArray &bytes) {
          return FileAccess::writeAtomically(p, bytes);
      }))
    , m_pool(new QThreadPool(this))
{
    m_pool->setMaxThreadCount(1);
    // Counted as if written as the game begins: the first write comes a
    // second later and leaves the start its cores.
    m_sinceLast.start();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &KeptGame::startNext);
}

KeptGame::~KeptGame()
{
    flush(true);
}

KeptGame::Loaded KeptGame::load()
{
    Loaded loaded;
    const QByteArray native = QFile::encodeName(m_path);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        return loaded;
    SavedGame::Problem problem;
    if (SavedGame::read(m_path, &loaded.game, &problem)) {
        loaded.found = Found::Game;
        // What was read is what the file holds: it is not written again
        // until the game changes.
        m_handed = Change{false, loaded.game.toBytes()};
        return loaded;
    }
    // The first free name of laufend.sav.defekt, laufend.sav.defekt.2, ...
    for (int n = 1; n < 1000; ++n) {
        const QString aside = m_path + QLatin1String(SetAsideSuffix) + (n > 1 ? QStringLiteral(".%1").arg(n) : QString());
        if (renameWithoutReplacing(native, QFile::encodeName(aside))) {
            loaded.found = Found::SetAside;
            loaded.setAside = aside;
            return loaded;
        }
        if (errno != EEXIST && errno != ENOTEMPTY)
            break;
    }
    loaded.found = Found::Stuck;
    return loaded;
}

void KeptGame::keep(const GameState &state)
{
    schedule(Change{false, SavedGame(state).toBytes()});
}

void KeptGame::drop()
{
    schedule(Change{true, {}});
}

void KeptGame::schedule(const Change &change)
{
    if (m_final)
        return;
    m_pending = change;
    if (m_inFlight || m_timer.isActive())
        return;   // taken up when the write under way ends, or when the time is up
    const qint64 since = m_sinceLast.isValid() ? m_sinceLast.elapsed() : IntervalMillis;
    if (since >= IntervalMillis)
        startNext();
    else
        m_timer.start(int(IntervalMillis - since));
}

void KeptGame::startNext()
{
    if (m_inFlight || !m_pending)
        return;
    const Change change = *std::exchange(m_pending, std::nullopt);
    if (m_handed == change)
        return;   // the file holds it already
    m_handed = change;
    m_inFlight = true;
    m_sinceLast.restart();
    m_pool->start([this, change] {
        const bool ok = apply(change);
        QMetaObject::invokeMethod(this, [this, ok, change] {
            if (m_final)
                return;
            m_inFlight = false;
            if (!ok && m_handed == change)
                m_handed.reset();   // the next change tries again
            emit written(ok);
            if (m_pending)
                schedule(*m_pending);
        }, Qt::QueuedConnection);
    });
}

bool KeptGame::apply(const Change &change) const
{
    if (!change.remove)
        return m_writer(m_path, change.bytes);
    return ::unlink(QFile::encodeName(m_path).constData()) == 0 || errno == ENOENT;
}

void KeptGame::flush(bool final)
{
    if (m_final)
        return;
    m_timer.stop();
    m_pool->waitForDone();
    m_inFlight = false;
    m_final = final;
    if (m_pending && !(m_handed == *m_pending)) {
        const Change change = *std::exchange(m_pending, std::nullopt);
        m_handed = change;
        if (!apply(change))
            m_handed.reset();
    }
    m_pending.reset();
}

bool KeptGame::busy() const
{
    return m_inFlight || m_pending.has_value();
}
