#pragma once

#include "engine/DatagramReader.h"
#include "engine/DatagramSocket.h"
#include "engine/SocketEvent.h"
#include "engine/TrafficLog.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <memory>

class QSocketNotifier;

// The engine's UDP socket. Every datagram that arrives is handed to the owner as a
// SocketMessage (Kind 2, sender address and port, the bytes) under the owner message,
// in arrival order, so the engine handles them one at a time on the owner's thread.
// The message is sent, not queued: the notifier already runs from the event loop, and
// a queued hop would cost a wake-up of the loop for every datagram. During a burst (a
// whole batch waiting at once) a reader thread moves the datagrams into a queue as they
// come, so the kernel's buffer cannot overflow while the owner handles them; the owner
// still gets them one at a time on its own thread, in arrival order, a few hundred per
// turn of the event loop (DatagramReader).
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

protected:
    bool event(QEvent* event) override;

private:
    void OnReadable();
    // Hands queued datagrams to the owner, a bounded number, and asks for another turn
    // of the event loop when more are waiting.
    void HandOver();
    void StartReader();
    // Datagrams are waiting: a notice to this object, unless one is on its way. Called
    // from the reader thread too.
    void PostWake();

    void SetError(int code, int error);
    void ClearError() { SetError(0, 0); }
    void CloseSocket();

    QPointer<QObject> m_owner;
    TrafficLog m_log;
    int m_fd = -1;
    int m_port = 0;
    int m_ownerMessage = 0;
    QSocketNotifier* m_notifier = nullptr;
    // Read, not yet handed over. Made by Open, gone with the socket.
    std::unique_ptr<DatagramReader> m_reader;
    std::atomic<bool> m_wakePosted{false};
    int m_errorCode = 0;
    int m_lastError = 0;
};
