#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <vector>

class QSocketNotifier;
class QTimer;

// One TCP connection of a file transfer: a listening handle and one data handle. Its
// notifications reach the owner as SocketMessage events under the owner message:
// Kind 1 when a connection was accepted, Kind 2 with received bytes (only with read
// notifications on), Kind 3 when the peer closed the connection or an outgoing
// connection could not be made.
//
// Listen, Connect and the notifications run on the owner's thread. Send and Receive may
// be called from one worker thread at the same time; they never block, and the error
// state they share with the owner's thread is atomic. A worker must be finished before
// the object is destroyed.
class TcpSocketWindow : public QObject
{
    Q_OBJECT

public:
    explicit TcpSocketWindow(QObject* owner, QObject* parent = nullptr);
    ~TcpSocketWindow() override;

    // Listens on every local address with a backlog of 5 and accepts the first
    // connection. 1 on success, 0 with the error recorded.
    int Listen(int port, int ownerMessage, int receiveSize, bool readNotify);
    // Starts a connection to a dotted address or host name; 1 when it is made or under
    // way. A connection that fails later is reported as Kind 3 with ERR_CONNECT.
    int Connect(QByteArrayView host, int port, int ownerMessage, int receiveSize, bool readNotify);

    // Bytes sent, or -1 with ERR_SEND. A full send buffer shows as -1 with LastError()
    // EAGAIN (the original platform's "would block", 10035); try again later.
    int Send(QByteArrayView bytes);
    // Zeroes the buffer, then bytes received: 0 once the peer has closed and everything
    // was read, -1 with ERR_RECEIVE (LastError() EAGAIN when nothing is waiting).
    int Receive(char* buffer, int size);

    // For a worker that moves large blocks: waits up to `timeoutMs` until the connection
    // can be read (or written), so it neither spins nor blocks for good. 1 when ready
    // (or failed: the next Send/Receive tells), 0 on time-out, -1 without a connection.
    int WaitReady(bool forWrite, int timeoutMs);

    // Accepts connections only from this dotted address; any other is closed at once and
    // listening goes on. Empty (the default) accepts anyone.
    void AcceptOnlyFrom(const QByteArray& address) { m_acceptFrom = address; }

    int LastError() const { return static_cast<int32_t>(m_error.load() & 0xFFFFFFFF); }
    int ErrorCode() const { return static_cast<int32_t>(m_error.load() >> 32); }

private:
    void OnAcceptable();
    void OnConnectFinished();
    void OnReadable();
    void PollForClose();
    void WatchData();
    void OnPeerClosed();
    void StopWatchingData();
    // Releases a closed connection's handle, or keeps it until no worker call holds it.
    void Retire(int fd);
    void ReleaseRetired();
    QByteArray PeerAddress(bool recordFailure);
    void Post(int kind, QByteArray address, QByteArray data = {});
    void SetError(int code, int error);
    void ClearError() { SetError(0, 0); }

    QPointer<QObject> m_owner;
    int m_ownerMessage = 0;
    int m_receiveSize = 0;
    bool m_readNotify = true;
    bool m_outgoing = false;
    QByteArray m_peerAddress; // known from accept or connect; the fallback at close
    QByteArray m_acceptFrom;

    int m_listenFd = -1;
    std::atomic<int> m_dataFd{-1};
    // Send, Receive and WaitReady count themselves here while they hold the data handle's
    // number, so that a closed connection's handle is released only when no worker call
    // can still use it: a released number may come back for the next connection.
    std::atomic<int> m_users{0};
    // Handles of closed connections that a worker call still held when they closed
    // (already shut down); released as soon as no call is under way.
    std::vector<int> m_retiredFds;

    QSocketNotifier* m_acceptNotifier = nullptr;
    QSocketNotifier* m_connectNotifier = nullptr;
    QSocketNotifier* m_readNotifier = nullptr;
    QTimer* m_closePoll = nullptr;

    // Error code in the high half, errno in the low half: one atomic, so a worker never
    // reads the code of one failure with the number of another.
    std::atomic<uint64_t> m_error{0};
};
