#include "engine/TcpSocketWindow.h"

#include "engine/SocketAddress.h"
#include "engine/SocketErrors.h"
#include "engine/SocketEvent.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <memory>

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

constexpr int ListenBacklog = 5;
// Without read notifications a worker reads the connection; this is how often the
// owner's thread looks whether the peer has closed it.
constexpr int ClosePollMs = 20;

bool WouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}

// Marks a worker call that holds the data handle's number for as long as it runs.
class HandleUse
{
public:
    explicit HandleUse(std::atomic<int>& users) : m_users(users) { ++m_users; }
    ~HandleUse() { --m_users; }
    HandleUse(const HandleUse&) = delete;
    HandleUse& operator=(const HandleUse&) = delete;

private:
    std::atomic<int>& m_users;
};

} // namespace

TcpSocketWindow::TcpSocketWindow(QObject* owner, QObject* parent) : QObject(parent), m_owner(owner)
{
}

TcpSocketWindow::~TcpSocketWindow()
{
    delete m_acceptNotifier;
    delete m_connectNotifier;
    StopWatchingData();
    const int data = m_dataFd.exchange(-1);
    if (m_outgoing) {
        if (data >= 0) {
            shutdown(data, SHUT_RDWR);
            SetLinger(data, true, 2);
            close(data);
        }
    } else {
        if (m_listenFd >= 0) {
            SetLinger(m_listenFd, false, 0);
            close(m_listenFd);
        }
        if (data >= 0) {
            shutdown(data, SHUT_RDWR);
            close(data);
        }
    }
    for (int fd : m_retiredFds)
        close(fd);
}

void TcpSocketWindow::SetError(int code, int error)
{
    m_error.store((static_cast<uint64_t>(static_cast<uint32_t>(code)) << 32) |
                  static_cast<uint32_t>(error));
}

void TcpSocketWindow::Post(int kind, QByteArray address, QByteArray data)
{
    SocketEvent event;
    event.Kind = kind;
    event.PeerAddress = std::move(address);
    PostWindowMessage(m_owner,
                      std::make_unique<SocketMessage>(m_ownerMessage, event, std::move(data)));
}

int TcpSocketWindow::Listen(int port, int ownerMessage, int receiveSize, bool readNotify)
{
    if (ErrorCode() != 0)
        return 0;
    if (!m_owner) {
        SetError(ERR_NO_OWNER, 0);
        return 0;
    }
    m_ownerMessage = ownerMessage;
    m_receiveSize = receiveSize;
    m_readNotify = readNotify;

    m_listenFd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        SetError(ERR_SOCKET, errno);
        return 0;
    }
    // Lets the next transfer listen while the last one's connection is in TIME_WAIT, as
    // the original platform allows; Linux still refuses a second listener on the port.
    SetIntOption(m_listenFd, SOL_SOCKET, SO_REUSEADDR, 1);
    const sockaddr_in local = Endpoint(in_addr{htonl(INADDR_ANY)}, port);
    int failure = 0;
    if (bind(m_listenFd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        failure = ERR_BIND;
    else if (listen(m_listenFd, ListenBacklog) != 0)
        failure = ERR_LISTEN;
    if (failure != 0) {
        SetError(failure, errno);
        close(m_listenFd);
        m_listenFd = -1;
        return 0;
    }
    m_acceptNotifier = new QSocketNotifier(m_listenFd, QSocketNotifier::Read, this);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, &TcpSocketWindow::OnAcceptable);
    return 1;
}

int TcpSocketWindow::Connect(QByteArrayView host, int port, int ownerMessage, int receiveSize,
                             bool readNotify)
{
    if (ErrorCode() != 0)
        return 0;
    if (!m_owner) {
        SetError(ERR_NO_OWNER, 0);
        return 0;
    }
    ClearError();
    m_ownerMessage = ownerMessage;
    m_receiveSize = receiveSize;
    m_readNotify = readNotify;

    const std::optional<in_addr> address = ResolveHostAddress(host);
    if (!address) {
        SetError(ERR_RESOLVE, 0);
        return 0;
    }
    if (port == 0 || address->s_addr == htonl(INADDR_ANY))
        return 0;

    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetError(ERR_SOCKET, errno);
        return 0;
    }
    m_outgoing = true;
    m_peerAddress = DottedAddress(*address);
    SetIntOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    const sockaddr_in remote = Endpoint(*address, port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0) {
        m_dataFd = fd;
        WatchData();
        return 1;
    }
    if (errno != EINPROGRESS) {
        SetError(ERR_CONNECT, errno);
        close(fd);
        return 0;
    }
    m_dataFd = fd;
    // The socket becomes writable once the connection is made or has failed.
    m_connectNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(m_connectNotifier, &QSocketNotifier::activated, this,
            &TcpSocketWindow::OnConnectFinished);
    return 1;
}

void TcpSocketWindow::OnConnectFinished()
{
    m_connectNotifier->deleteLater();
    m_connectNotifier->setEnabled(false);
    m_connectNotifier = nullptr;

    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(m_dataFd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    if (error == 0) {
        WatchData();
        return;
    }
    // The original left its owner waiting for ever on a refused connection; report it
    // as the end of the connection so the transfer can give up.
    SetError(ERR_CONNECT, error);
    OnPeerClosed();
}

void TcpSocketWindow::OnAcceptable()
{
    if (m_dataFd >= 0) {
        m_acceptNotifier->setEnabled(false);
        return;
    }
    sockaddr_in peer{};
    socklen_t peerSize = sizeof peer;
    const int fd = accept4(m_listenFd, reinterpret_cast<sockaddr*>(&peer), &peerSize,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        if (WouldBlock(errno) || errno == EINTR || errno == ECONNABORTED)
            return;
        // Out of descriptors or the like: stop, or the notifier would spin on it.
        SetError(ERR_ACCEPT, errno);
        m_acceptNotifier->setEnabled(false);
        return;
    }
    ReleaseRetired();
    const QByteArray address = DottedAddress(peer.sin_addr);
    if (!m_acceptFrom.isEmpty() && address != m_acceptFrom) {
        close(fd);
        return;
    }
    m_dataFd = fd;
    // Only one connection at a time; further ones wait in the backlog.
    m_acceptNotifier->setEnabled(false);
    m_peerAddress = address;
    Post(SocketEvent::Accepted, m_peerAddress);
    WatchData();
}

void TcpSocketWindow::WatchData()
{
    if (m_readNotify) {
        m_readNotifier = new QSocketNotifier(m_dataFd, QSocketNotifier::Read, this);
        connect(m_readNotifier, &QSocketNotifier::activated, this, &TcpSocketWindow::OnReadable);
        return;
    }
    // A read notifier would fire without pause while the worker has not yet read what
    // is waiting, so the close is looked for by polling instead.
    m_closePoll = new QTimer(this);
    connect(m_closePoll, &QTimer::timeout, this, &TcpSocketWindow::PollForClose);
    m_closePoll->start(ClosePollMs);
}

void TcpSocketWindow::StopWatchingData()
{
    if (m_readNotifier) {
        m_readNotifier->setEnabled(false);
        m_readNotifier->deleteLater();
        m_readNotifier = nullptr;
    }
    if (m_closePoll) {
        m_closePoll->stop();
        m_closePoll->deleteLater();
        m_closePoll = nullptr;
    }
}

void TcpSocketWindow::OnReadable()
{
    const int fd = m_dataFd;
    ClearError();
    QByteArray data(m_receiveSize, '\0');
    ssize_t received = recv(fd, data.data(), data.size(), MSG_DONTWAIT);
    if (received == 0) {
        OnPeerClosed();
        return;
    }
    if (received < 0) {
        // A reset shows here once; the next notification then reads the end of stream.
        if (!WouldBlock(errno) && errno != EINTR)
            SetError(ERR_RECEIVE, errno);
        return;
    }
    if (received < m_receiveSize) {
        const ssize_t more = recv(fd, data.data() + received, data.size() - received, MSG_DONTWAIT);
        if (more > 0)
            received += more;
    }
    data.resize(received);
    Post(SocketEvent::DataReceived, PeerAddress(true), std::move(data));
}

void TcpSocketWindow::PollForClose()
{
    // A peek of 0 bytes means the peer has closed and the worker has read everything,
    // so the close is never reported while data is still waiting.
    char byte = 0;
    const ssize_t peeked = recv(m_dataFd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked == 0 || (peeked < 0 && !WouldBlock(errno) && errno != EINTR))
        OnPeerClosed();
}

void TcpSocketWindow::OnPeerClosed()
{
    const QByteArray address = PeerAddress(false);
    StopWatchingData();
    const int fd = m_dataFd.exchange(-1);
    if (fd >= 0) {
        shutdown(fd, SHUT_RDWR);
        Retire(fd);
    }
    if (m_acceptNotifier && m_listenFd >= 0)
        m_acceptNotifier->setEnabled(true);
    Post(SocketEvent::Closed, address);
}

// A receiver that connects and closes again and again must not use up the descriptors:
// the handle goes at once unless a worker call holds its number right now. Those calls
// never block (a wait on a shut-down socket returns at once), so such a handle goes
// with the next accept or close.
void TcpSocketWindow::Retire(int fd)
{
    m_retiredFds.push_back(fd);
    ReleaseRetired();
}

void TcpSocketWindow::ReleaseRetired()
{
    // The data handle was taken away before this load: a call that starts after it sees
    // no handle or a new one, never a retired number.
    if (m_retiredFds.empty() || m_users.load() != 0)
        return;
    for (int fd : m_retiredFds)
        close(fd);
    m_retiredFds.clear();
}

QByteArray TcpSocketWindow::PeerAddress(bool recordFailure)
{
    sockaddr_in peer{};
    socklen_t peerSize = sizeof peer;
    if (getpeername(m_dataFd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0)
        return DottedAddress(peer.sin_addr);
    if (recordFailure) {
        SetError(ERR_PEERNAME, errno);
        return {};
    }
    return m_peerAddress;
}

int TcpSocketWindow::Send(QByteArrayView bytes)
{
    const HandleUse use(m_users);
    const int fd = m_dataFd;
    if (fd < 0) {
        SetError(ERR_SEND, ENOTCONN);
        return -1;
    }
    // MSG_NOSIGNAL: a peer that has gone away gives EPIPE here instead of a SIGPIPE
    // that would end the process.
    ssize_t sent;
    do {
        sent = send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        SetError(ERR_SEND, errno);
        return -1;
    }
    return static_cast<int>(sent);
}

int TcpSocketWindow::Receive(char* buffer, int size)
{
    std::memset(buffer, 0, size);
    const HandleUse use(m_users);
    const int fd = m_dataFd;
    if (fd < 0) {
        SetError(ERR_RECEIVE, ENOTCONN);
        return -1;
    }
    ssize_t received;
    do {
        received = recv(fd, buffer, size, MSG_DONTWAIT);
    } while (received < 0 && errno == EINTR);
    if (received < 0) {
        SetError(ERR_RECEIVE, errno);
        return -1;
    }
    return static_cast<int>(received);
}

int TcpSocketWindow::WaitReady(bool forWrite, int timeoutMs)
{
    const HandleUse use(m_users);
    const int fd = m_dataFd;
    if (fd < 0)
        return -1;
    pollfd entry{fd, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    const int ready = poll(&entry, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? 0 : 1;
    return ready;
}
