#pragma once

#include "platform/WindowMessage.h"

#include <QByteArray>

#include <cstdint>

// What a socket object tells its owner with every notification.
struct SocketEvent {
    enum : int32_t { EntryFromHostList = 0, Accepted = 1, DataReceived = 2, Closed = 3 };

    int32_t Kind = 0;
    QByteArray PeerAddress; // dotted IPv4 text, at most 63 characters
    int32_t PeerPort = 0;   // UDP: the sender's source port; TCP: 0
};

// The owner message posted by a socket object: the event record and, with Kind 2,
// the data block. The owner gets both with the message and Qt frees them after the
// owner's event handler returns.
class SocketMessage : public WindowMessage
{
public:
    SocketMessage(int message, SocketEvent event, QByteArray data = {})
        : WindowMessage(message), Event(std::move(event)), Data(std::move(data))
    {
    }

    SocketEvent Event;
    QByteArray Data; // the received bytes; its size is the block's byte count
};
