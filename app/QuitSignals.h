#pragma once
// The signals that ask a program to end (SIGTERM from a session or a
// service manager, SIGHUP when the terminal goes, SIGINT from Ctrl+C) turned
// into a Qt signal on the owner's thread, so that the game ends the normal
// way: the window closes and the game is kept. The handler only writes one
// byte into a pipe (all a signal handler may safely do); a socket notifier
// on the other end emits received().
#include <QObject>

class QSocketNotifier;

class QuitSignals : public QObject
{
    Q_OBJECT
public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals &) = delete;
    QuitSignals &operator=(const QuitSignals &) = delete;

signals:
    void received(int signalNumber);

private:
    QSocketNotifier *m_notifier = nullptr;
};
