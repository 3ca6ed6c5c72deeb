#include "engine/SocketAddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>

std::optional<in_addr> ParseDottedAddress(QByteArrayView text)
{
    // A NUL inside would end the C string early and let "1.2.3.4\0junk" through.
    if (text.contains('\0'))
        return std::nullopt;
    // Every address text goes through here (each datagram sent): no allocation. A dotted
    // address that inet_pton takes has at most 15 characters.
    char terminated[INET_ADDRSTRLEN] = {};
    if (text.size() >= qsizetype(sizeof terminated))
        return std::nullopt;
    std::copy(text.begin(), text.end(), terminated);
    in_addr address{};
    if (inet_pton(AF_INET, terminated, &address) != 1)
        return std::nullopt;
    return address;
}

std::optional<in_addr> ResolveHostAddress(QByteArrayView host)
{
    if (const std::optional<in_addr> dotted = ParseDottedAddress(host))
        return dotted;
    const QByteArray text = host.toByteArray(); // NUL-terminated for the C calls

    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (text.isEmpty() || getaddrinfo(text.constData(), nullptr, &hints, &found) != 0)
        return std::nullopt;
    std::optional<in_addr> result;
    for (const addrinfo* entry = found; entry && !result; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET)
            result = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr;
    }
    freeaddrinfo(found);
    return result;
}

sockaddr_in Endpoint(in_addr address, int port)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr = address;
    endpoint.sin_port = htons(static_cast<uint16_t>(port));
    return endpoint;
}

QByteArray DottedAddress(const in_addr& address)
{
    // Every datagram received is named by its sender: written here directly, as
    // inet_ntop would, without its formatted printing.
    const auto* octets = reinterpret_cast<const unsigned char*>(&address.s_addr);
    char text[INET_ADDRSTRLEN];
    char* end = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            *end++ = '.';
        const unsigned value = octets[i];
        if (value >= 100)
            *end++ = char('0' + value / 100);
        if (value >= 10)
            *end++ = char('0' + value / 10 % 10);
        *end++ = char('0' + value % 10);
    }
    return QByteArray(text, end - text);
}

std::vector<in_addr> InterfaceBroadcastAddresses()
{
    std::vector<in_addr> found;
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return found;
    for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
        if ((entry->ifa_flags & IFF_BROADCAST) != 0 && entry->ifa_broadaddr != nullptr &&
            entry->ifa_broadaddr->sa_family == AF_INET)
            found.push_back(reinterpret_cast<const sockaddr_in*>(entry->ifa_broadaddr)->sin_addr);
    }
    freeifaddrs(interfaces);
    return found;
}

bool IsUnicastHost(in_addr address, const std::vector<in_addr>& broadcasts)
{
    const uint32_t host = ntohl(address.s_addr);
    const uint32_t first = host >> 24;
    // 0.x.x.x is "this network", 127 loopback, 224-239 multicast, 240-255 reserved and
    // the limited broadcast.
    if (first == 0 || first == 127 || first >= 224)
        return false;
    return std::none_of(broadcasts.begin(), broadcasts.end(),
                        [&](in_addr b) { return b.s_addr == address.s_addr; });
}

bool SetIntOption(int fd, int level, int option, int value)
{
    return setsockopt(fd, level, option, &value, sizeof value) == 0;
}

void SetLinger(int fd, bool on, int seconds)
{
    linger value{};
    value.l_onoff = on ? 1 : 0;
    value.l_linger = seconds;
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &value, sizeof value);
}
