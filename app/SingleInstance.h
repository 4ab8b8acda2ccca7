#pragma once
// One game at a time per program folder. The instance that holds the lock on
// a hidden file in the program folder owns it and listens on a local socket
// in the user's private runtime folder; a second start finds the lock taken,
// connects, asks the owner to bring its window forward and ends without
// opening a window of its own. The lock, not the socket, decides who runs, so
// two games started at the same moment never both open a window, and no other
// user can keep the game from starting or take its place: the socket lies in
// a folder only the user can enter, and requests from other users are
// refused.
#include <QHash>
#include <QObject>
#include <QString>

class QSocketNotifier;

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &programFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The lock file in the program folder, readable by its owner only; a
    // link or other non-file in its place is replaced by a fresh one.
    static constexpr const char *LockName = ".zandor.lock";

    // The socket's full path: in the user's runtime folder ($XDG_RUNTIME_DIR,
    // or a folder of the user's own with no rights for others in the
    // temporary folder when that is unset, not private or too long for a
    // socket's name), named from the program folder. Empty when no such folder can be
    // had; the game then runs without answering second starts.
    static QString serverName(const QString &programFolder);

    // Takes the program folder for this instance. True when it owns the
    // folder now (or already did); false while another instance owns it.
    bool claim();

    // Decides who runs. False when this instance owns the folder (it then
    // goes on to listen()). True when this start ends: another instance of
    // the user owns the folder and was asked to activate itself (or did not
    // answer within about five seconds, every step included, whatever it
    // does), or no lock can be had (refusal() then says why). Should the owner
    // end meanwhile, this instance takes over.
    bool activateRunningInstance();

    // Why the last activateRunningInstance() ended this start although no
    // game of the user answered: the lock file cannot be opened, or another
    // user's process holds it. Empty otherwise.
    const QString &refusal() const { return m_refusal; }
    static QString refusalText(const QString &lockFile);

    // Starts listening; a socket left behind by a crashed owner is removed
    // first. False when listening fails (the game runs all the same).
    bool listen();

    // Stops answering and gives the folder up: the socket is removed and the
    // lock released, so the next start can run at once.
    void stop();

signals:
    void activationRequested();

private:
    // Takes the connections waiting on the listening socket, as many as may
    // be read at once, and reads their requests as they come.
    void acceptRequests();
    // Closes the connection `client` read by `reader` (unless it already is)
    // and takes up listening again.
    void endConnection(int client, QSocketNotifier *reader);

    QString m_folder;
    QString m_name;
    int m_lock = -1;          // descriptor holding the lock, -1 when not owner
    bool m_lockable = true;   // false when the lock file cannot be opened at all
    long m_heldBy = -1;       // user id of the lock's holder when claim() lost, -1 unknown
    QString m_refusal;
    int m_listening = -1;     // the listening socket, -1 when not listening
    QSocketNotifier *m_server = nullptr;
    QHash<int, QSocketNotifier *> m_connections;   // accepted and not yet closed, by descriptor
};
