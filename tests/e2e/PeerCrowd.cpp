#include "PeerCrowd.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

constexpr int CmdEntry = 0x01;
constexpr int CmdAnswerEntry = 0x03;
constexpr int CmdGetInfo = 0x40;
constexpr int CmdSendInfo = 0x2041; // with the automatic-answer option, as copies send it
constexpr int CmdGetMail = 0x48;
constexpr int CmdSendMail = 0x49;
constexpr int BatchSize = 64;

int64_t NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

uint32_t PeerIp(int i)
{
    return (10u << 24) | (77u << 16) | uint32_t(128 + i / 254) << 8 | uint32_t(1 + i % 254);
}

// The peer whose address this is, or -1.
int PeerIndex(uint32_t ip)
{
    const uint32_t third = (ip >> 8) & 0xff, fourth = ip & 0xff;
    if ((ip >> 16) != ((10u << 8) | 77u) || third < 128 || fourth < 1 || fourth > 254)
        return -1;
    return int(third - 128) * 254 + int(fourth - 1);
}

QByteArray Packet(uint32_t packetNo, int peer, int command, const QByteArray& extra)
{
    return QByteArray("1:") + QByteArray::number(packetNo) + ":user" + QByteArray::number(peer) +
           ":host" + QByteArray::number(peer) + ':' + QByteArray::number(command) + ':' + extra;
}

// The command field of a datagram (the fifth), or -1.
int CommandOf(const QByteArray& datagram)
{
    const QList<QByteArray> fields = datagram.left(datagram.indexOf('\0')).split(':');
    bool ok = false;
    const int command = fields.size() >= 5 ? fields[4].toInt(&ok) : -1;
    return ok ? command : -1;
}

// One datagram's header with the source address chosen by IP_PKTINFO.
struct OutMessage {
    sockaddr_in To{};
    iovec Vector{};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> Control{};

    void Fill(mmsghdr& header, uint32_t from, uint32_t to, uint16_t toPort, const QByteArray& bytes)
    {
        To.sin_family = AF_INET;
        To.sin_addr.s_addr = htonl(to);
        To.sin_port = htons(toPort);
        Vector = {const_cast<char*>(bytes.constData()), size_t(bytes.size())};
        header = {};
        header.msg_hdr.msg_name = &To;
        header.msg_hdr.msg_namelen = sizeof To;
        header.msg_hdr.msg_iov = &Vector;
        header.msg_hdr.msg_iovlen = 1;
        header.msg_hdr.msg_control = Control.data();
        header.msg_hdr.msg_controllen = Control.size();
        cmsghdr* cmsg = CMSG_FIRSTHDR(&header.msg_hdr);
        cmsg->cmsg_level = IPPROTO_IP;
        cmsg->cmsg_type = IP_PKTINFO;
        cmsg->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst.s_addr = htonl(from);
        std::memcpy(CMSG_DATA(cmsg), &info, sizeof info);
    }
};

} // namespace

PeerCrowd::PeerCrowd(QString crowdNamespace, int peers)
    : m_namespace(std::move(crowdNamespace)), m_peers(peers)
{
    m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this] { Run(); });
}

PeerCrowd::~PeerCrowd()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_stopFd, &one, sizeof one);
    m_thread.join();
    close(m_stopFd);
}

QByteArray PeerCrowd::PeerAddress(int i)
{
    in_addr address{htonl(PeerIp(i))};
    return QByteArray(inet_ntoa(address));
}

QByteArray PeerCrowd::PeerAliase(int i)
{
    return "peer" + QByteArray::number(i);
}

QByteArray PeerCrowd::PeerMail(int i)
{
    return "peer" + QByteArray::number(i) + "@example.jp";
}

bool PeerCrowd::WaitListening(int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_state.load() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return m_state.load() == 1;
}

QString PeerCrowd::Error() const
{
    return m_state.load() == 2 ? m_error : QString();
}

bool PeerCrowd::Open()
{
    // Only this thread moves into the crowd's namespace; its socket stays there.
    const QByteArray path = QFile::encodeName(QStringLiteral("/var/run/netns/") + m_namespace);
    const int ns = open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (ns < 0 || setns(ns, CLONE_NEWNET) != 0) {
        m_error = QStringLiteral("cannot enter %1: %2").arg(m_namespace, strerror(errno));
        if (ns >= 0)
            close(ns);
        return false;
    }
    close(ns);
    m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(m_fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    // The crowd must not lose the copy's questions itself: those would look like the
    // copy's losses. Root may exceed the system's limit.
    const int buffer = 32 << 20;
    if (setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer) != 0)
        setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(Port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        m_error = QStringLiteral("cannot bind the crowd's port: %1").arg(strerror(errno));
        return false;
    }
    return true;
}

void PeerCrowd::Run()
{
    if (!Open()) {
        m_state = 2;
        if (m_fd >= 0)
            close(m_fd);
        return;
    }
    m_state = 1;
    uint32_t packetNo = 1000;
    std::array<char, 9000> buffer{};
    for (;;) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents != 0)
            break;
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        sockaddr_in from{};
        iovec vector{buffer.data(), buffer.size()};
        alignas(cmsghdr) std::array<char, 256> control{};
        msghdr header{};
        header.msg_name = &from;
        header.msg_namelen = sizeof from;
        header.msg_iov = &vector;
        header.msg_iovlen = 1;
        header.msg_control = control.data();
        header.msg_controllen = control.size();
        const ssize_t length = recvmsg(m_fd, &header, MSG_DONTWAIT);
        if (length <= 0)
            continue;
        uint32_t asked = 0; // the address the datagram was sent to
        for (cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr; c = CMSG_NXTHDR(&header, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info{};
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                asked = ntohl(info.ipi_addr.s_addr);
            }
        const QByteArray datagram(buffer.data(), length);
        if ((CommandOf(datagram) & 0xff) == CmdEntry) {
            m_entrySeenNs = NowNs();
            Burst(packetNo);
            continue;
        }
        Answer(datagram, ntohl(from.sin_addr.s_addr), ntohs(from.sin_port), asked, packetNo);
    }
    close(m_fd);
}

void PeerCrowd::Burst(uint32_t& packetNo)
{
    // Made before the first is sent, so nothing slows the burst down.
    std::vector<QByteArray> answers;
    answers.reserve(size_t(m_peers));
    for (int i = 0; i < m_peers; ++i)
        answers.push_back(Packet(packetNo++, i, CmdAnswerEntry, PeerAliase(i)) + '\0' + "Group" +
                          QByteArray::number(i % 8) + '\0');
    const uint32_t copy = (10u << 24) | (77u << 16) | 1u;
    std::array<OutMessage, BatchSize> messages;
    std::array<mmsghdr, BatchSize> headers{};
    for (int first = 0; first < m_peers;) {
        const int count = std::min(BatchSize, m_peers - first);
        for (int k = 0; k < count; ++k)
            messages[size_t(k)].Fill(headers[size_t(k)], PeerIp(first + k), copy, Port,
                                     answers[size_t(first + k)]);
        const int sent = sendmmsg(m_fd, headers.data(), unsigned(count), 0);
        if (sent < 0) {
            if (errno != EINTR && errno != EAGAIN && errno != ENOBUFS) {
                ++m_sendErrors;
                ++first; // that one cannot go; the rest may
            }
            continue;
        }
        first += sent;
        m_answersSent += sent;
    }
    m_burstSentNs = NowNs();
}

void PeerCrowd::Answer(const QByteArray& datagram, uint32_t to, uint16_t toPort, uint32_t asked,
                       uint32_t& packetNo)
{
    const int peer = PeerIndex(asked);
    if (peer < 0 || peer >= m_peers)
        return;
    switch (CommandOf(datagram) & 0xff) {
    case CmdGetInfo:
        ++m_infoRequests;
        SendFrom(asked, to, toPort, Packet(packetNo++, peer, CmdSendInfo, PeerAppInfo()));
        break;
    case CmdGetMail:
        ++m_mailRequests;
        SendFrom(asked, to, toPort, Packet(packetNo++, peer, CmdSendMail, PeerMail(peer)));
        break;
    default:
        break;
    }
}

bool PeerCrowd::SendFrom(uint32_t from, uint32_t to, uint16_t toPort, const QByteArray& bytes)
{
    OutMessage message;
    mmsghdr header{};
    message.Fill(header, from, to, toPort, bytes);
    if (sendmsg(m_fd, &header.msg_hdr, 0) >= 0)
        return true;
    ++m_sendErrors;
    return false;
}
