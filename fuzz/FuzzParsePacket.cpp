// libFuzzer target: any datagram parses without fault into the same fields as the
// literal reference, within the field sizes; fields built into a packet come back.
#include "ReferenceParser.h"

#include "engine/PacketCodec.h"
#include "ReferenceCp932.h"

#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool SameFields(const ReceivedPacket& a, const ReceivedPacket& b)
{
    return a.Command == b.Command && a.Options == b.Options && a.PacketNo == b.PacketNo &&
           a.Version == b.Version && a.HostName == b.HostName && a.UserName == b.UserName &&
           a.GroupPart == b.GroupPart && a.Extra == b.Extra &&
           a.Source.PeerAddress == b.Source.PeerAddress && a.Source.PeerPort == b.Source.PeerPort;
}

// Builders take C strings, so NULs go; so does `unwanted`.
QByteArray Without(QByteArrayView text, char unwanted)
{
    QByteArray kept;
    for (const char c : text)
        if (c != '\0' && c != unwanted)
            kept.append(c);
    return kept;
}

// Splits the input into the fields of a packet to build, builds it and parses it back.
void RoundTrip(const uint8_t* data, size_t size, const SocketEvent& source)
{
    if (size < 7)
        return;
    uint32_t packetNo;
    int32_t command;
    std::memcpy(&packetNo, data, 4);
    int16_t low;
    std::memcpy(&low, data + 4, 2);
    command = low;
    const bool withGroups = data[6] & 1;
    const bool useHostlist = data[6] & 2;

    QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data) + 7, size - 7).split('\x01');
    while (parts.size() < 4)
        parts.append(QByteArray());
    // Names never hold a colon; a colon there would be a different packet, not a fault.
    const QByteArray user = Without(parts[0], ':');
    const QByteArray host = Without(parts[1], ':');
    const QByteArray extra = Without(parts[2], '\0');
    const QByteArray groups = Without(parts[3], '\0');

    const QByteArray groupPart = GroupPartFromGroups(groups, useHostlist);
    const PacketHeader header{packetNo, user, host};
    const QByteArray whole = BuildPacket(header, command, extra);
    const QByteArray datagram =
        withGroups ? BuildPacket(header, command, extra, QByteArrayView(groupPart)) : whole;
    // Cut on the way out or on the way in: nothing to compare exactly.
    if (datagram.size() > MaxDatagramSize ||
        (withGroups && whole.size() - 1 > GroupPacketTextLimit))
        return;

    const ReceivedPacket packet = ParsePacket(datagram, source);
    Check(packet.Version == 1, "round trip: version");
    Check(packet.PacketNo == static_cast<int32_t>(packetNo), "round trip: packet number");
    Check(packet.Command == (command & 0xFF) && packet.Options == (command & ~0xFF),
          "round trip: command value");
    Check(packet.UserName == RefCp932::Cut(user, 1023), "round trip: user name");
    Check(packet.HostName == RefCp932::Cut(host, 1023), "round trip: host name");
    Check(packet.Extra == extra, "round trip: extra");
    if (!withGroups) {
        Check(packet.GroupPart.isEmpty(), "round trip: no group part");
        return;
    }
    // A group part reads back whole unless an empty name ends it early.
    QByteArray announced = groupPart;
    announced.replace('\0', ',');
    if (!announced.contains(",,") && !announced.endsWith(','))
        Check(packet.GroupPart == announced, "round trip: group part");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const SocketEvent source{SocketEvent::DataReceived, "192.168.0.1", 2425};
    const ReceivedPacket packet =
        ParsePacket(QByteArrayView(reinterpret_cast<const char*>(data), size), source);

    Check(packet.UserName.size() < ReceivedPacket::NameSize, "user name size");
    Check(packet.HostName.size() < ReceivedPacket::NameSize, "host name size");
    Check(packet.GroupPart.size() < ReceivedPacket::GroupPartSize, "group part size");
    Check(packet.Extra.size() < ReceivedPacket::ExtraSize, "extra size");
    Check(packet.Command >= 0 && packet.Command <= 0xFF && (packet.Options & 0xFF) == 0,
          "command split");
    Check(!packet.UserName.contains(':') && !packet.HostName.contains(':'), "names hold no colon");
    Check(!packet.Extra.contains('\0') && !packet.GroupPart.contains('\0'), "texts hold no NUL");
    Check(SameFields(packet, ReferenceParse(data, size, source)), "same fields as the reference");

    RoundTrip(data, size, source);
    return 0;
}
