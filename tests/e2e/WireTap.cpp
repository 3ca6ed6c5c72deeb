#include "WireTap.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <netinet/ip.h>
#include <netinet/udp.h>
#include <sched.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

WireTap::~WireTap()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool WireTap::Open(const QString& netns, QString* error)
{
    // Made on a short-lived thread inside the host, as WireListener does: the capture
    // stays bound to that namespace's eth0 for good.
    int fd = -1;
    std::thread maker([&] {
        const QByteArray path = "/var/run/netns/" + netns.toUtf8();
        const int ns = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (ns < 0 || ::setns(ns, CLONE_NEWNET) != 0) {
            *error = QStringLiteral("enter %1: %2").arg(path, std::strerror(errno));
            if (ns >= 0)
                ::close(ns);
            return;
        }
        ::close(ns);
        // Every protocol: a capture for one protocol sees only what comes in.
        fd = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, htons(ETH_P_ALL));
        sockaddr_ll link{};
        link.sll_family = AF_PACKET;
        link.sll_protocol = htons(ETH_P_ALL);
        link.sll_ifindex = static_cast<int>(::if_nametoindex("eth0"));
        if (fd < 0 || link.sll_ifindex == 0 ||
            ::bind(fd, reinterpret_cast<const sockaddr*>(&link), sizeof link) != 0) {
            *error = QStringLiteral("packet socket on eth0: %1").arg(std::strerror(errno));
            if (fd >= 0)
                ::close(fd);
            fd = -1;
            return;
        }
        // A soak passes thousands of datagrams between two looks.
        const int size = 8 << 20;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size);
    });
    maker.join();
    m_fd = fd;
    return m_fd >= 0;
}

std::vector<WireTap::Datagram> WireTap::Take()
{
    std::vector<Datagram> taken;
    unsigned char buffer[65536];
    for (;;) {
        sockaddr_ll from{};
        socklen_t size = sizeof from;
        const ssize_t n =
            ::recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
        if (n < 0)
            return taken;
        if (from.sll_protocol != htons(ETH_P_IP) || static_cast<size_t>(n) < sizeof(iphdr))
            continue;
        iphdr ip;
        std::memcpy(&ip, buffer, sizeof ip);
        const size_t header = static_cast<size_t>(ip.ihl) * 4;
        if (ip.protocol != IPPROTO_UDP || static_cast<size_t>(n) < header + sizeof(udphdr))
            continue;
        udphdr udp;
        std::memcpy(&udp, buffer + header, sizeof udp);
        const size_t payload = header + sizeof udp;
        taken.push_back({from.sll_pkttype == PACKET_OUTGOING, ntohs(udp.source), ntohs(udp.dest),
                         QByteArray(reinterpret_cast<const char*>(buffer + payload),
                                    static_cast<qsizetype>(static_cast<size_t>(n) - payload))});
    }
}
