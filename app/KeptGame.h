#pragma once
// The running game kept on disk, so that no way of ending the program loses
// it: laufend.sav in the program folder (not in Saves, so it is never listed
// with the saved games), in the saved-game format. Every change is handed
// here; it is written off the caller's thread through the atomic writer, at
// most once a second while changes come fast, the last change always
// written. A finished game is not kept: its file goes.
//
// At the next start the file is read back. One that does not read as a
// saved game is set aside under a name of its own (never deleted), and the
// start deals anew.
#include "saves/SavedGame.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class QThreadPool;

class KeptGame : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *FileName = "laufend.sav";
    static constexpr const char *SetAsideSuffix = ".defekt";
    static constexpr int IntervalMillis = 1000;

    // Replaces the file at path with bytes; true when it was written. Runs
    // off the owner's thread.
    using Writer = std::function<bool(const QString &path, const QByteArray &bytes)>;

    // Keeps the game in the file at path; writer defaults to the atomic writer.
    explicit KeptGame(const QString &path, Writer writer = {}, QObject *parent = nullptr);
    ~KeptGame() override;

    // What the start found.
    enum class Found {
        Nothing,    // no kept game
        Game,       // game holds it
        SetAside,   // the file did not read; it now lies at setAside
        Stuck,      // the file did not read and could not be set aside
    };
    struct Loaded {
        Found found = Found::Nothing;
        SavedGame game;
        QString setAside;
    };
    Loaded load();

    // The game as it stands now is to be kept (written within a second).
    void keep(const GameState &state);
    // There is no game to keep (it is finished): the file goes.
    void drop();
    // Whatever is still to be written is written now; the call waits for it.
    // After a final flush nothing more is written or reported.
    void flush(bool final);

    // Tells whether a write is under way or waiting for its turn.
    bool busy() const;

signals:
    // A write (or the removal of the file) has ended; ok tells whether it worked.
    void written(bool ok);

private:
    struct Change {
        bool remove = false;
        QByteArray bytes;
        bool operator==(const Change &o) const { return remove == o.remove && bytes == o.bytes; }
    };
    void schedule(const Change &change);
    void startNext();
    bool apply(const Change &change) const;

    QString m_path;
    Writer m_writer;
    QThreadPool *m_pool = nullptr;
    QTimer m_timer;
    QElapsedTimer m_sinceLast;               // since the last write began
    std::optional<Change> m_pending;         // the newest change not yet handed over
    std::optional<Change> m_handed;          // the last change handed to the writer
    bool m_inFlight = false;
    bool m_final = false;
};
