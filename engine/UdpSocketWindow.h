#pragma once

#include "engine/DatagramSocket.h"
#include "engine/SocketEvent.h"
#include "engine/TrafficLog.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <memory>

class QSocketNotifier;

// The engine's UDP socket. Every datagram that arrives is handed to the owner as a
// SocketMessage (Kind 2, sender address and port, the bytes) under the owner message,
// in arrival order, so the engine handles them one at a time on the owner's thread.
// The message is sent, not queued: the notifier already runs from the event loop, and
// a queued hop would cost a wake-up of the loop for every datagram.
// Create it on the owner's thread: its notifier lives there.
//
// There is no socket library to start on POSIX, so ERR_STARTUP is never recorded.
class UdpSocketWindow : public QObject, public IDatagramSocket
{
    Q_OBJECT

public:
    // `logPath` is the traffic log file, written only while `logging` is on.
    UdpSocketWindow(QObject* owner, bool logging, QString logPath, QObject* parent = nullptr);
    ~UdpSocketWindow() override;

    // Binds the port on every local address. 1 on success, 0 with the error recorded.
    // A recorded error makes it fail at once.
    int Open(int port, int ownerMessage, int receiveSize) override;

    int SendTo(QByteArrayView host, int port, QByteArrayView bytes) override;
    int Broadcast(QByteArrayView bytes) override;

    int LastError() const override { return m_lastError; }
    int ErrorCode() const override { return m_errorCode; }
    int Port() const override { return m_port; }

private:
    void OnReadable();
    // Takes up to ReceiveBatchSize waiting datagrams off the socket in one call and
    // returns how many; those that fit are appended to `messages` for the owner.
    int ReceiveBatch(std::deque<std::unique_ptr<SocketMessage>>& messages);

    static constexpr int ReceiveBatchSize = 16;

    void SetError(int code, int error);
    void ClearError() { SetError(0, 0); }
    void CloseSocket();

    QPointer<QObject> m_owner;
    TrafficLog m_log;
    int m_fd = -1;
    int m_port = 0;
    int m_ownerMessage = 0;
    int m_receiveSize = 0;
    QByteArray m_buffer;
    QSocketNotifier* m_notifier = nullptr;
    std::deque<std::unique_ptr<SocketMessage>> m_pending; // read, not yet handed over
    int m_errorCode = 0;
    int m_lastError = 0;
};
