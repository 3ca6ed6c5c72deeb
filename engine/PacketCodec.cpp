#include "PacketCodec.h"

#include "engine/Commands.h"
#include "platform/Cp932.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace
{

// A datagram reads as if copied into zero-filled fixed buffers and taken apart with C
// string functions; the functions below give the same fields while looking only at the
// bytes that are there, with no buffer to clear per packet.

QByteArrayView UpTo(QByteArrayView text, char stop)
{
    if (text.isEmpty()) // memchr must not see the null data of an empty view
        return text;
    const void* at = std::memchr(text.data(), stop, text.size());
    return at ? text.first(static_cast<const char*>(at) - text.data()) : text;
}

// A text as a C string sees it.
QByteArrayView UpToNul(QByteArrayView text)
{
    return UpTo(text, '\0');
}

bool IsCSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

QByteArray CutToField(QByteArrayView text, qsizetype fieldSize)
{
    return Cp932::Cut(text, fieldSize - 1);
}

// What follows the header's NUL: group names separated by single NULs. The names end
// at a NUL that is followed by another NUL or by the end of the datagram.
QByteArray GroupPartOf(QByteArrayView rest)
{
    const char* const begin = rest.data();
    const char* const end = begin + rest.size();
    const char* stop = end;
    for (const char* p = begin; p != end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\0', end - p));
        if (p == nullptr)
            break;
        if (p + 1 == end || p[1] == '\0') {
            stop = p;
            break;
        }
    }
    QByteArray part(begin, stop - begin);
    std::replace(part.begin(), part.end(), '\0', ',');
    part.truncate(WholeGroupNamesLength(part, ReceivedPacket::GroupPartSize - 1));
    return part;
}

void AppendNumber(QByteArray& out, auto value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr - digits);
}

} // namespace

qsizetype WholeGroupNamesLength(QByteArrayView names, qsizetype limit)
{
    if (names.size() <= limit)
        return names.size();
    qsizetype at = 0;
    qsizetype lastSeparator = -1;
    for (;;) {
        const qsizetype step = Cp932::IsLeadByte(static_cast<unsigned char>(names[at])) ? 2 : 1;
        if (at + step > limit)
            break;
        if (names[at] == ',')
            lastSeparator = at;
        at += step;
    }
    if (names[at] == ',' || lastSeparator < 0)
        return at;
    return lastSeparator;
}

// atoi on a 64-bit system: strtol's saturated long, then its low 32 bits. A packet
// number sent as 3000000000 thus reads back as the same 32 bits it was printed from.
int32_t LeadingDecimal(QByteArrayView text)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && IsCSpace(*p))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    constexpr uint64_t maxLong = std::numeric_limits<int64_t>::max();
    const uint64_t limit = negative ? maxLong + 1 : maxLong;
    uint64_t magnitude = 0;
    for (; p != end && *p >= '0' && *p <= '9'; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    const uint64_t value = negative ? 0 - magnitude : magnitude;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

ReceivedPacket ParsePacket(QByteArrayView datagram, const SocketEvent& source)
{
    ReceivedPacket packet;
    packet.Source = source;

    const QByteArrayView data = datagram.first(std::min(datagram.size(), MaxDatagramSize));
    const QByteArrayView header = UpToNul(data);
    if (header.size() < data.size())
        packet.GroupPart = GroupPartOf(data.sliced(header.size() + 1));

    // Five colon-terminated fields and the extra. A header with fewer colons leaves the
    // missing fields empty; colons inside the extra belong to it.
    QByteArrayView fields[5];
    QByteArrayView extra;
    QByteArrayView rest = header;
    for (int i = 0; i < 5; ++i) {
        fields[i] = UpTo(rest, ':');
        if (fields[i].size() == rest.size())
            break;
        rest = rest.sliced(fields[i].size() + 1);
        if (i == 4)
            extra = rest;
    }

    packet.Version = LeadingDecimal(fields[0]);
    packet.PacketNo = LeadingDecimal(fields[1]);
    packet.UserName = CutToField(fields[2], ReceivedPacket::NameSize);
    packet.HostName = CutToField(fields[3], ReceivedPacket::NameSize);
    const int32_t value = LeadingDecimal(fields[4]);
    packet.Command = CommandCode(value);
    packet.Options = CommandOptions(value);
    packet.Extra = CutToField(extra, ReceivedPacket::ExtraSize);
    return packet;
}

QByteArray BuildPacket(const PacketHeader& header, int32_t command, QByteArrayView extra,
                       std::optional<QByteArrayView> groupPart)
{
    const QByteArrayView user = UpToNul(header.UserName);
    const QByteArrayView host = UpToNul(header.HostName);
    extra = UpToNul(extra);

    QByteArray packet;
    packet.reserve(40 + user.size() + host.size() + extra.size() +
                   (groupPart ? groupPart->size() + 1 : 0));
    AppendNumber(packet, PacketVersion);
    packet.append(':');
    AppendNumber(packet, header.PacketNo);
    packet.append(':');
    packet.append(user);
    packet.append(':');
    packet.append(host);
    packet.append(':');
    AppendNumber(packet, command);
    packet.append(':');
    packet.append(extra);
    if (groupPart)
        packet.truncate(Cp932::CutLength(packet, GroupPacketTextLimit));
    packet.append('\0');
    if (groupPart) {
        packet.append(*groupPart);
        packet.append('\0');
    }
    return packet;
}

QByteArray AbsentExtra(QByteArrayView alias, QByteArrayView location)
{
    QByteArray extra = UpToNul(alias).toByteArray();
    extra.append('[');
    extra.append(UpToNul(location));
    extra.append(']');
    return extra;
}

QByteArray NotAbsentExtra(QByteArrayView alias)
{
    return UpToNul(alias).toByteArray() + "[Not absence mode]";
}

QByteArray SendInfoExtra(QByteArrayView applicationName, QByteArrayView applicationVersion)
{
    QByteArray extra = UpToNul(applicationName).toByteArray();
    extra.append(' ');
    extra.append(UpToNul(applicationVersion));
    return extra;
}

QByteArray ReceiptExtra(int32_t packetNo)
{
    QByteArray extra;
    AppendNumber(extra, static_cast<uint32_t>(packetNo));
    return extra;
}

QByteArray GetListExtra(int32_t startNo)
{
    QByteArray extra;
    AppendNumber(extra, startNo);
    return extra;
}

QByteArray GroupPartFromGroups(QByteArrayView groups, bool useHostlist)
{
    QByteArrayView area = UpToNul(groups);
    area = area.first(WholeGroupNamesLength(area, GroupsLimit));
    if (useHostlist)
        area = UpTo(area, ',');
    QByteArray part = area.toByteArray();
    std::replace(part.begin(), part.end(), ',', '\0');
    return part;
}
