#include "PacketDispatcher.h"

#include "engine/Commands.h"
#include "engine/EngineLog.h"
#include "engine/PacketCodec.h"
#include "platform/WindowMessage.h"

#include <memory>
#include <utility>

int MessageForCommand(int32_t command, bool useHostlist)
{
    switch (CommandCode(command)) {
    case CMD_ENTRY:
    case CMD_ANSWER_ENTRY:
        return WM_PACKET_ENTRY;
    case CMD_ABSENCE:
        return WM_PACKET_ABSENCE;
    case CMD_EXIT:
        return WM_PACKET_EXIT;
    case CMD_RECEIPT:
        return WM_PACKET_RECEIPT;
    case CMD_SEND_MESSAGE:
        return WM_PACKET_MESSAGE;
    case CMD_GET_INFO:
        return WM_PACKET_GET_INFO;
    case CMD_SEND_INFO:
        return WM_PACKET_SEND_INFO;
    case CMD_GET_ABSENCE_INFO:
        return WM_PACKET_GET_ABSENCE;
    case CMD_SEND_ABSENCE_INFO:
        return WM_PACKET_SEND_ABSENCE;
    case CMD_XML_MESSAGE:
        return WM_PACKET_XML;
    case CMD_XML_RECEIPT:
        return WM_PACKET_XML_RECEIPT;
    case CMD_GET_MAIL:
        return WM_PACKET_GET_MAIL;
    case CMD_SEND_MAIL:
        return WM_PACKET_SEND_MAIL;
    case CMD_CAST_MESSAGE:
        return WM_PACKET_CAST;
    case CMD_ANSWER_LIST:
        return useHostlist ? WM_PACKET_HOST_LIST : 0;
    default:
        return 0;
    }
}

bool PostPacket(QObject* componentWindow, ReceivedPacket packet, bool useHostlist)
{
    const int message = MessageForCommand(packet.Command, useHostlist);
    if (message == 0 || componentWindow == nullptr)
        return false;
    // The event queue owns the packet from here; the handler reads it from the event.
    PostWindowMessage(componentWindow, std::make_unique<PacketMessage>(message, std::move(packet)));
    return true;
}

bool DispatchDatagram(QObject* componentWindow, const SocketEvent& source, QByteArrayView datagram,
                      bool useHostlist)
{
    if (datagram.isEmpty() || componentWindow == nullptr)
        return false;
    ReceivedPacket packet = ParsePacket(datagram, source);
    const int message = MessageForCommand(packet.Command, useHostlist);
    if (message == 0) {
        qCDebug(lcEngine) << "no handler for command" << Qt::hex << packet.Command << "from"
                          << source.PeerAddress;
        return false;
    }
    PacketMessage handled(message, std::move(packet));
    SendWindowMessage(componentWindow, handled);
    return true;
}
