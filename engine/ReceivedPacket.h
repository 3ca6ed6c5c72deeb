#pragma once

#include "engine/SocketEvent.h"
#include "platform/WindowMessage.h"

#include <QByteArray>

#include <cstdint>
#include <utility>

// One parsed datagram. Texts stay in code page 932 bytes as they came off the wire;
// each is at most its field size less one, cut on a character boundary.
struct ReceivedPacket {
    static constexpr qsizetype NameSize = 1024;      // HostName, UserName
    static constexpr qsizetype GroupPartSize = 2048; // GroupPart
    static constexpr qsizetype ExtraSize = 8192;     // Extra

    int32_t Command = 0; // command value & 0xFF
    int32_t Options = 0; // command value with its low 8 bits cleared
    int32_t PacketNo = 0;
    int32_t Version = 0;
    QByteArray HostName;
    QByteArray UserName;
    SocketEvent Source;
    QByteArray GroupPart; // group names, the NULs between them turned into ','; only
                          // names that fit whole are kept (a lone over-long one is cut)
    QByteArray Extra;
};

// The dispatcher's message to the component window. The packet travels inside the
// event, so the handler owns it for as long as it handles the message and Qt frees it
// with the event afterwards.
class PacketMessage : public WindowMessage
{
public:
    PacketMessage(int message, ReceivedPacket packet)
        : WindowMessage(message), Packet(std::move(packet))
    {
    }

    ReceivedPacket Packet;
};
