#pragma once
// One game at a time per user and program folder. The first instance listens
// on a local socket; a second start connects, asks the first to bring its
// window forward and ends without opening a window of its own.
#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &programFolder, QObject *parent = nullptr);

    // The socket name: from the user and the program folder.
    static QString serverName(const QString &programFolder);

    // True when another instance answered and was asked to activate itself.
    bool activateRunningInstance();

    // Starts listening; a socket left behind by a crashed instance is removed
    // first. False when listening fails (the game runs all the same).
    bool listen();

    // Stops answering: the socket is removed.
    void stop();

signals:
    void activationRequested();

private:
    QString m_name;
    QLocalServer *m_server = nullptr;
};
