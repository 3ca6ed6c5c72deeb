#include "engine/UdpSocketWindow.h"

#include "engine/SocketAddress.h"
#include "engine/SocketErrors.h"
#include "engine/SocketEvent.h"
#include "platform/Cp932.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <memory>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace
{

// A flood must not keep the event loop from everything else: after this many datagrams
// the handler returns and the notifier, still readable, brings it back at once.
constexpr int MaxDatagramsPerNotification = 256;

sockaddr_in Endpoint(in_addr address, int port)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr = address;
    endpoint.sin_port = htons(static_cast<uint16_t>(port));
    return endpoint;
}

} // namespace

UdpSocketWindow::UdpSocketWindow(QObject* owner, bool logging, QString logPath, QObject* parent)
    : QObject(parent), m_owner(owner), m_log(logging, std::move(logPath))
{
}

UdpSocketWindow::~UdpSocketWindow()
{
    CloseSocket();
}

void UdpSocketWindow::CloseSocket()
{
    m_pending.clear(); // nothing read before the close reaches the owner after it
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd < 0)
        return;
    shutdown(m_fd, SHUT_RDWR);
    SetLinger(m_fd, true, 2);
    close(m_fd);
    m_fd = -1;
}

void UdpSocketWindow::SetError(int code, int error)
{
    m_errorCode = code;
    m_lastError = error;
}

int UdpSocketWindow::Open(int port, int ownerMessage, int receiveSize)
{
    if (m_errorCode != 0)
        return 0;
    if (!m_owner) {
        SetError(ERR_NO_OWNER, 0);
        return 0;
    }
    CloseSocket();
    m_port = port;
    m_ownerMessage = ownerMessage;
    m_receiveSize = receiveSize;
    m_buffer.resize(static_cast<qsizetype>(receiveSize) * ReceiveBatchSize);

    // No SO_REUSEADDR: a second copy on the same port must fail here, not share it.
    m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        SetError(ERR_SOCKET, errno);
        return 0;
    }
    const sockaddr_in local = Endpoint(in_addr{htonl(INADDR_ANY)}, port);
    if (bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        SetError(ERR_BIND, errno);
        CloseSocket();
        return 0;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdpSocketWindow::OnReadable);
    return 1;
}

void UdpSocketWindow::OnReadable()
{
    ClearError();
    // The owner handles each datagram before this returns, and a handler may close or
    // even destroy this socket (Drop from an event sink); then the drain stops.
    // Datagrams wait in m_pending until handed over: a handler that runs an event loop of
    // its own (a modal box) brings this back re-entered, and the inner call must hand
    // over what the outer one read before anything newer.
    const QPointer<UdpSocketWindow> alive(this);
    for (int received = 0; received < MaxDatagramsPerNotification;) {
        const int taken = ReceiveBatch(m_pending);
        while (!m_pending.empty()) {
            const std::unique_ptr<SocketMessage> message = std::move(m_pending.front());
            m_pending.pop_front();
            SendWindowMessage(m_owner, *message);
            if (!alive || m_fd < 0)
                return;
        }
        received += taken;
        if (taken < ReceiveBatchSize)
            return; // the queue is drained: no second call just to hear EAGAIN
    }
}

int UdpSocketWindow::ReceiveBatch(std::deque<std::unique_ptr<SocketMessage>>& messages)
{
    std::array<mmsghdr, ReceiveBatchSize> headers{};
    std::array<iovec, ReceiveBatchSize> vectors{};
    std::array<sockaddr_in, ReceiveBatchSize> senders{};
    for (size_t i = 0; i < ReceiveBatchSize; ++i) {
        vectors[i] = {m_buffer.data() + i * m_receiveSize, static_cast<size_t>(m_receiveSize)};
        headers[i].msg_hdr.msg_name = &senders[i];
        headers[i].msg_hdr.msg_namelen = sizeof senders[i];
        headers[i].msg_hdr.msg_iov = &vectors[i];
        headers[i].msg_hdr.msg_iovlen = 1;
    }
    // MSG_TRUNC reports each datagram's real length even when it did not fit, so an
    // oversized one is recognised and dropped whole, never cut.
    int count;
    do {
        count = recvmmsg(m_fd, headers.data(), ReceiveBatchSize, MSG_TRUNC, nullptr);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            SetError(ERR_RECEIVE, errno);
        return 0;
    }
    // Copied out before anything is handled: a handler's nested event loop may read
    // the next datagrams into the same buffer.
    for (int i = 0; i < count; ++i) {
        const auto length = static_cast<int>(headers[i].msg_len);
        if (length > m_receiveSize) {
            // As the original platform reports it: the datagram is gone, "message too long".
            SetError(ERR_RECEIVE, EMSGSIZE);
            continue;
        }
        SocketEvent event;
        event.Kind = SocketEvent::DataReceived;
        event.PeerAddress = DottedAddress(senders[i].sin_addr);
        event.PeerPort = ntohs(senders[i].sin_port);
        QByteArray data(m_buffer.constData() + i * m_receiveSize, length);
        m_log.Write(QStringLiteral("RECV←%1:%2\t")
                        .arg(QString::fromLatin1(event.PeerAddress))
                        .arg(event.PeerPort),
                    data);
        messages.push_back(std::make_unique<SocketMessage>(m_ownerMessage, event, std::move(data)));
    }
    return count;
}

int UdpSocketWindow::SendTo(QByteArrayView host, int port, QByteArrayView bytes)
{
    ClearError();
    const std::optional<in_addr> address = ResolveHostAddress(host);
    if (!address) {
        SetError(ERR_RESOLVE, 0);
        return 0;
    }
    if (port == 0 || address->s_addr == htonl(INADDR_ANY))
        return -1;

    const sockaddr_in target = Endpoint(*address, port);
    const ssize_t sent = sendto(m_fd, bytes.data(), bytes.size(), 0,
                                reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (sent < 0) {
        SetError(ERR_SEND, errno);
        return -1;
    }
    m_log.Write(QStringLiteral("SEND→%1:%2\t").arg(Cp932::ToUnicode(host)).arg(port),
                bytes.first(sent));
    return static_cast<int>(sent);
}

int UdpSocketWindow::Broadcast(QByteArrayView bytes)
{
    if (!SetIntOption(m_fd, SOL_SOCKET, SO_BROADCAST, 1)) {
        SetError(ERR_SEND, errno);
        return -1;
    }
    // Sent without MSG_DONTROUTE: Linux looks the limited broadcast up in the routing
    // table, and with don't-route it ignores the default route and fails with
    // ENETUNREACH on an ordinary LAN. Routers never forward 255.255.255.255 anyway.
    const sockaddr_in target = Endpoint(in_addr{htonl(INADDR_BROADCAST)}, m_port);
    const ssize_t sent = sendto(m_fd, bytes.data(), bytes.size(), 0,
                                reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (sent < 0) {
        SetError(ERR_SEND, errno);
        return -1;
    }
    m_log.Write(QStringLiteral("CAST⇒XXX:XXX:XXX:XXX:%1\t").arg(m_port), bytes.first(sent));
    return static_cast<int>(sent);
}
