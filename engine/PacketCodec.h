#pragma once

#include "engine/ReceivedPacket.h"
#include "engine/SocketEvent.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

// The datagram format: "version:packet number:user:host:command value:extra", a NUL,
// and for some commands a group part of NUL-separated group names ended by a NUL.
//
// Every text here is in code page 932 bytes. The component converts its properties
// once when they are set, not once per packet, and the codec stays free of iconv:
// it is the innermost loop of the engine and byte limits only mean anything in bytes.

// A datagram longer than this never reaches the parser; the socket drops it.
constexpr qsizetype MaxDatagramSize = 8192;
// The formatted text of a packet that carries a group part is cut to this length.
constexpr qsizetype GroupPacketTextLimit = 1023;
// Only this much of the Groups property is announced, in whole names.
constexpr qsizetype GroupsLimit = 1023;
// Sent in every packet; ignored on receipt.
constexpr int32_t PacketVersion = 1;

// One counter per component: 100 at creation and incremented before each use, so
// the first packet carries 101. It is printed unsigned, so it wraps to 2147483648
// after 2147483647 instead of turning negative on the wire.
class PacketCounter
{
public:
    explicit PacketCounter(int32_t value = 100) : m_value(value) {}

    uint32_t Next()
    {
        m_value = static_cast<int32_t>(static_cast<uint32_t>(m_value) + 1);
        return static_cast<uint32_t>(m_value);
    }
    int32_t Value() const { return m_value; }

private:
    int32_t m_value = 100;
};

// The fields every packet starts with besides the version and the command.
struct PacketHeader {
    uint32_t PacketNo = 0; // PacketCounter::Next() of the sending component
    QByteArrayView UserName;
    QByteArrayView HostName;
};

// A decimal number as C's atoi reads it on a 64-bit system: leading blanks, an optional
// sign, digits; an out-of-range value saturates and keeps its low 32 bits. Peers write
// their numbers with printf, so this is how every number on the wire is read.
int32_t LeadingDecimal(QByteArrayView text);

// A datagram in, the fields out. Never fails: missing fields read as empty or 0,
// numbers read as C's atoi reads them (leading blanks, an optional sign, digits; out
// of range values keep the low 32 bits of the 64-bit result), over-long texts are cut
// to their field on a character boundary. Bytes beyond MaxDatagramSize are ignored.
ReceivedPacket ParsePacket(QByteArrayView datagram, const SocketEvent& source);

// Fields in, the datagram out: "1:%u:%s:%s:%d:%s" and a NUL. With a group part the
// text is cut to GroupPacketTextLimit on a character boundary and followed by the NUL,
// the group part as given (names separated by single NULs) and a final NUL. Each text
// ends at its first NUL, as a C string would; without a group part nothing is cut.
QByteArray BuildPacket(const PacketHeader& header, int32_t command, QByteArrayView extra,
                       std::optional<QByteArrayView> groupPart = std::nullopt);

// Extras of the packet forms that are more than one text; pass them to BuildPacket.
QByteArray AbsentExtra(QByteArrayView alias, QByteArrayView location); // "%s[%s]"
QByteArray NotAbsentExtra(QByteArrayView alias);                       // "%s[Not absence mode]"
QByteArray SendInfoExtra(QByteArrayView applicationName,
                         QByteArrayView applicationVersion); // "%s %s"
QByteArray ReceiptExtra(int32_t packetNo);                   // "%u", the packet acknowledged
QByteArray GetListExtra(int32_t startNo);                    // "%d"

// How much of a comma-separated list of group names fits in `limit` bytes: the names
// that fit whole, or, when not even the first one does, that name cut on a character
// boundary. A name cut short would put the member in a group that does not exist.
// Every cut of a group list (announced, received, recorded) goes through this.
qsizetype WholeGroupNamesLength(QByteArrayView names, qsizetype limit);

// The group part announced for the comma-separated Groups property: the whole names
// that fit in GroupsLimit bytes, only the first group while the host list is used, every
// comma turned into a NUL. "A,B,C" gives "A\0B\0C" (BuildPacket adds the final NUL).
QByteArray GroupPartFromGroups(QByteArrayView groups, bool useHostlist);
