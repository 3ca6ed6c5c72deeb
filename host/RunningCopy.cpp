#include "RunningCopy.h"

#include "host/HostLog.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

namespace
{
const QByteArray Request = QByteArrayLiteral("raise\n");
const QByteArray Answer = QByteArrayLiteral("ok\n");
// A client that says nothing useful is dropped after this; a few may wait at once.
constexpr int ClientWaitMs = 2000;
constexpr int MaxClients = 4;
} // namespace

RunningCopy::RunningCopy(QString path, QObject* parent)
    : QObject(parent), m_path(std::move(path)), m_lock(m_path + QStringLiteral(".lock"))
{
    // Only a lock whose process is gone is taken over, however old it is.
    m_lock.setStaleLockTime(0);
}

QString RunningCopy::PathFor(const QString& runtimeDir, uint uid, const QString& home)
{
    if (runtimeDir.isEmpty())
        return {};
    QString canonical = QFileInfo(home).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QDir(home).absolutePath());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(uid) + '\0' + canonical.toUtf8());
    const QString name =
        QStringLiteral("palavo-xp-") + QString::fromLatin1(hash.result().toHex().left(16));
    return QDir(runtimeDir).filePath(name);
}

RunningCopy::Role RunningCopy::Claim(int waitMs)
{
    if (m_path.isEmpty())
        return Alone;
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() != QLockFile::LockFailedError) {
            qCWarning(lcHost) << "cannot lock" << m_lock.fileName() << "; running without";
            return Alone;
        }
        if (AskToRaise(waitMs))
            return Second;
        // The copy that held the lock may have been killed while it was asked.
        if (!m_lock.tryLock(0))
            return Alone;
    }
    // The lock is ours, so a socket left at the path is a killed copy's.
    QLocalServer::removeServer(m_path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->setMaxPendingConnections(MaxClients);
    if (!m_server->listen(m_path)) {
        qCWarning(lcHost) << "cannot listen on" << m_path << m_server->errorString();
        return Alone;
    }
    connect(m_server, &QLocalServer::newConnection, this, &RunningCopy::OnNewConnection);
    return First;
}

// The running copy may have taken the lock a moment ago and not be listening yet.
bool RunningCopy::AskToRaise(int waitMs)
{
    const QDeadlineTimer deadline(waitMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(m_path);
        if (socket.waitForConnected(qMax(0, int(deadline.remainingTime()))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    socket.write(Request);
    QByteArray answer;
    while (answer.size() < Answer.size() && socket.waitForReadyRead(int(deadline.remainingTime())))
        answer += socket.read(Answer.size() - answer.size());
    if (answer != Answer)
        qCWarning(lcHost) << "the running copy did not answer; starting anyway";
    return answer == Answer;
}

void RunningCopy::OnNewConnection()
{
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        if (m_clients >= MaxClients) {
            delete client;
            continue;
        }
        ++m_clients;
        client->setReadBufferSize(Request.size());
        connect(client, &QLocalSocket::readyRead, this, [this, client] { OnReadable(client); });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QObject::destroyed, this, [this] { --m_clients; });
        QTimer::singleShot(ClientWaitMs, client, [client] {
            client->abort();
            client->deleteLater();
        });
    }
}

void RunningCopy::OnReadable(QLocalSocket* client)
{
    if (client->bytesAvailable() < Request.size())
        return;
    if (client->read(Request.size()) == Request) {
        emit RaiseWanted();
        client->write(Answer);
        client->disconnectFromServer();
    } else {
        client->abort();
        client->deleteLater();
    }
}
