#include "engine/UdpSocketWindow.h"

#include "engine/SocketAddress.h"
#include "engine/SocketErrors.h"
#include "engine/SocketEvent.h"
#include "platform/Cp932.h"

#include <QSocketNotifier>

#include <cerrno>
#include <memory>

#include <arpa/inet.h>
#include <sys/socket.h>
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
    m_buffer.resize(receiveSize);

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
    // Drain what is waiting, so no datagram sits behind a notification still queued.
    for (int i = 0; i < MaxDatagramsPerNotification && ReceiveOne(); ++i) {
    }
}

bool UdpSocketWindow::ReceiveOne()
{
    sockaddr_in sender{};
    socklen_t senderSize = sizeof sender;
    // MSG_TRUNC makes recvfrom return the datagram's real length even when it does
    // not fit, so an oversized one is recognised and dropped whole, never cut.
    ssize_t length;
    do {
        length = recvfrom(m_fd, m_buffer.data(), m_buffer.size(), MSG_TRUNC,
                          reinterpret_cast<sockaddr*>(&sender), &senderSize);
    } while (length < 0 && errno == EINTR);
    if (length < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            SetError(ERR_RECEIVE, errno);
        return false;
    }
    if (length > m_receiveSize) {
        // As the original platform reports it: the datagram is gone, "message too long".
        SetError(ERR_RECEIVE, EMSGSIZE);
        return true;
    }

    const QByteArray data(m_buffer.constData(), length);
    SocketEvent event;
    event.Kind = SocketEvent::DataReceived;
    event.PeerAddress = DottedAddress(sender.sin_addr);
    event.PeerPort = ntohs(sender.sin_port);
    const QString label = QStringLiteral("RECV←%1:%2\t")
                              .arg(QString::fromLatin1(event.PeerAddress))
                              .arg(event.PeerPort);
    PostWindowMessage(m_owner, std::make_unique<SocketMessage>(m_ownerMessage, event, data));
    m_log.Write(label, data);
    return true;
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
