#include "WireListener.h"

#include "support/EventWaiter.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

WireListener::~WireListener()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

namespace
{

// A non-blocking UDP socket bound to `port` on every address of the calling thread's
// network namespace, or -1 with `error` set.
int BoundSocket(int port, QString* error)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<uint16_t>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        *error = QStringLiteral("socket/bind: %1").arg(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool WireListener::Open(const QString& netns, int port, QString* error)
{
    if (netns.isEmpty()) {
        m_fd = BoundSocket(port, error);
        return m_fd >= 0;
    }
    // A socket belongs to the namespace of the thread that made it, for good; so a
    // short-lived thread moves into the host, makes and binds it, and leaves. The test's
    // own threads stay where they are.
    int fd = -1;
    std::thread maker([&] {
        const QByteArray path = "/var/run/netns/" + netns.toUtf8();
        const int ns = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (ns < 0) {
            *error = QStringLiteral("open %1: %2").arg(path, std::strerror(errno));
            return;
        }
        const bool moved = ::setns(ns, CLONE_NEWNET) == 0;
        ::close(ns);
        if (moved)
            fd = BoundSocket(port, error);
        else
            *error = QStringLiteral("setns: %1").arg(std::strerror(errno));
    });
    maker.join();
    m_fd = fd;
    return m_fd >= 0;
}

void WireListener::Collect()
{
    char buffer[65536];
    for (;;) {
        sockaddr_in from{};
        socklen_t size = sizeof from;
        const ssize_t n =
            ::recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
        if (n < 0)
            return;
        char address[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
        m_received.push_back({QByteArray(address), QByteArray(buffer, n)});
    }
}

std::optional<WireListener::Datagram>
WireListener::WaitFor(const std::function<bool(const Datagram&)>& match, int timeoutMs)
{
    std::optional<Datagram> found;
    size_t checked = 0;
    WaitUntil(
        [&] {
            Collect();
            for (; checked < m_received.size(); ++checked)
                if (match(m_received[checked])) {
                    found = m_received[checked];
                    return true;
                }
            return false;
        },
        timeoutMs);
    return found;
}

bool WireListener::SendTo(const QByteArray& address, int port, const QByteArray& bytes,
                          QString* error)
{
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.constData(), &to.sin_addr) != 1) {
        *error = QStringLiteral("not an address: ") + QString::fromLatin1(address);
        return false;
    }
    if (::sendto(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
        *error =
            QStringLiteral("sendto %1: %2").arg(QString::fromLatin1(address), std::strerror(errno));
        return false;
    }
    return true;
}

int WireListener::Port() const
{
    sockaddr_in local{};
    socklen_t size = sizeof local;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &size) != 0)
        return 0;
    return ntohs(local.sin_port);
}

WireFields SplitDatagram(const QByteArray& bytes)
{
    WireFields fields;
    const qsizetype nul = bytes.indexOf('\0');
    const QByteArray text = nul < 0 ? bytes : bytes.left(nul);
    qsizetype at = 0;
    for (int colon = 0; colon < 5 && at >= 0; ++colon) {
        const qsizetype next = text.indexOf(':', at);
        if (colon == 4)
            fields.Command = text.mid(at, next < 0 ? -1 : next - at).toInt();
        at = next < 0 ? -1 : next + 1;
    }
    fields.Extra = at < 0 ? QByteArray() : text.mid(at);
    fields.AfterText = nul < 0 ? QByteArray() : bytes.mid(nul + 1);
    return fields;
}
