#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One copy of the program per user and settings directory. The first copy holds a lock
// and listens on a local socket beside it, in the user's runtime directory; a later start
// for the same user and directory asks it to raise its window and ends. Another user, or
// the same user with another settings directory, meets nobody and runs its own copy.
//
// Only the user can reach the socket (the runtime directory is private, and so is the
// socket), and all a client can make the running copy do is raise its window: one short
// request per connection, read within a bound, anything else closes the connection.
class RunningCopy : public QObject
{
    Q_OBJECT
public:
    enum Role {
        First,  // this copy runs and answers later starts through RaiseWanted()
        Second, // a running copy raised its window; this one ends
        Alone,  // no runtime directory, or the running copy did not answer: run as before
    };

    // `path`: the socket where the copies of one user and settings directory meet
    // (PathFor); the lock is the same path with ".lock".
    explicit RunningCopy(QString path, QObject* parent = nullptr);

    // Where the copies of user `uid` with the settings directory `home` meet: a name
    // hashed from both (the directory canonical, so two spellings of it are one). Empty
    // without a runtime directory: then every copy runs Alone.
    static QString PathFor(const QString& runtimeDir, uint uid, const QString& home);

    // Waits up to `waitMs` for a running copy's answer.
    Role Claim(int waitMs);

signals:
    void RaiseWanted();

private:
    bool AskToRaise(int waitMs);
    void OnNewConnection();
    void OnReadable(QLocalSocket* client);

    QString m_path;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
    int m_clients = 0;
};
