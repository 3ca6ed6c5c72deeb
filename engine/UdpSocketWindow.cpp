#include "engine/UdpSocketWindow.h"

#include "engine/SocketAddress.h"
#include "engine/SocketErrors.h"
#include "engine/SocketEvent.h"
#include "platform/Cp932.h"
#include "platform/LogFile.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <memory>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// A flood must not keep the event loop from everything else: after this many datagrams
// the hand-over returns to it and goes on at its next turn.
constexpr int MaxDatagramsPerTurn = 256;

// The socket's notices to itself, as the original socket window had them: the reader
// thread has queued datagrams, or has ended after a quiet spell.
constexpr int WM_SOCKET_NOTIFY = WM_USER + 99;
enum : std::intptr_t { DatagramsWaiting = 1, ReaderFinished = 2 };

// Posted below the normal priority, so that whatever else was posted meanwhile (a
// click, a paint, a queued call) goes first, even when it was posted later: a burst
// is handed over in the gaps, and the window stays quick to answer.
void PostNotice(QObject* socketWindow, std::intptr_t notice)
{
    QCoreApplication::postEvent(socketWindow, new WindowMessage(WM_SOCKET_NOTIFY, notice),
                                Qt::LowEventPriority);
}

// Every peer of a LAN answers an entry at once: 10,000 answers arrive within a few
// milliseconds, far faster than they are handled, and the kernel has to hold them until
// they are read (about 1 kB each). Root may go beyond the system's limit
// (net.core.rmem_max); anybody else gets as much as that limit allows.
constexpr int ReceiveBufferBytes = 16 << 20;

void EnlargeReceiveBuffer(int fd)
{
    if (!SetIntOption(fd, SOL_SOCKET, SO_RCVBUFFORCE, ReceiveBufferBytes))
        SetIntOption(fd, SOL_SOCKET, SO_RCVBUF, ReceiveBufferBytes); // capped, never refused
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
    m_reader.reset(); // nothing read before the close reaches the owner after it
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
    m_reader = std::make_unique<DatagramReader>(receiveSize);

    // No SO_REUSEADDR: a second copy on the same port must fail here, not share it.
    m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        SetError(ERR_SOCKET, errno);
        return 0;
    }
    EnlargeReceiveBuffer(m_fd);
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
    if (m_reader->ReadBatch(m_fd) == DatagramReader::BatchSize)
        StartReader(); // more are waiting: every peer is answering at once
    HandOver();
}

void UdpSocketWindow::StartReader()
{
    // The notifier rests while the thread reads, so only one side reads at a time.
    m_notifier->setEnabled(false);
    m_reader->Drain(
        m_fd, [this] { PostWake(); }, [this] { PostNotice(this, ReaderFinished); });
}

void UdpSocketWindow::PostWake()
{
    // One notice at a time: the reader thread and the hand-over both ask for one, and
    // a notice for each would pile up ahead of everything else in the event queue.
    if (!m_wakePosted.exchange(true))
        PostNotice(this, DatagramsWaiting);
}

bool UdpSocketWindow::event(QEvent* event)
{
    if (event->type() != WindowMessageType(WM_SOCKET_NOTIFY))
        return QObject::event(event);
    // A closed socket's notices may still be on their way; its queue is gone.
    if (m_reader == nullptr)
        return true;
    if (static_cast<WindowMessage*>(event)->WParam() == ReaderFinished) {
        m_reader->Stop(); // it has returned already, or is about to
        m_notifier->setEnabled(true);
    } else {
        m_wakePosted = false; // from here on, newer datagrams need a notice of their own
    }
    ClearError();
    HandOver();
    return true;
}

void UdpSocketWindow::HandOver()
{
    // The owner handles each datagram before this returns, and a handler may close or
    // even destroy this socket (Drop from an event sink); then the hand-over stops.
    // A handler that runs an event loop of its own (a modal box) brings this back
    // re-entered, and the inner call goes on with the same queue: what was read first is
    // handed over first.
    const QPointer<UdpSocketWindow> alive(this);
    for (int handed = 0; handed < MaxDatagramsPerTurn; ++handed) {
        std::optional<ReceivedDatagram> next = m_reader->Pop();
        if (!next)
            return;
        if (next->Error != 0) {
            SetError(ERR_RECEIVE, next->Error);
            continue;
        }
        // The label is made only for a log that is written: every datagram passes here.
        if (m_log.Enabled())
            m_log.Write(QStringLiteral("RECV←%1:%2\t")
                            .arg(QString::fromLatin1(next->Event.PeerAddress))
                            .arg(next->Event.PeerPort),
                        next->Data);
        SocketMessage message(m_ownerMessage, std::move(next->Event), std::move(next->Data));
        SendWindowMessage(m_owner, message);
        if (!alive || m_fd < 0)
            return;
    }
    // The rest after whatever else waits for the event loop: clicks, paints, timers.
    if (!m_reader->Empty())
        PostWake();
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
    if (m_log.Enabled())
        m_log.Write(
            QStringLiteral("SEND→%1:%2\t").arg(EscapeLogText(Cp932::ToUnicode(host))).arg(port),
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
    if (m_log.Enabled())
        m_log.Write(QStringLiteral("CAST⇒XXX:XXX:XXX:XXX:%1\t").arg(m_port), bytes.first(sent));
    // Everybody may answer at once (an entry is answered by every peer): the reader
    // is ready before the first answer arrives, and ends again after a quiet spell.
    if (m_notifier != nullptr && !m_reader->Draining())
        StartReader();
    return static_cast<int>(sent);
}
