#pragma once

#include "engine/ReceivedPacket.h"
#include "engine/SocketEvent.h"

#include <QByteArrayView>

#include <cstdint>

class QObject;

// Received datagrams become PacketMessages sent to the component window, one message
// number per handler, so handlers run one at a time in arrival order (the socket hands
// over datagrams in that order, from the event loop). The
// dispatcher keeps no state: a repeated datagram is handled again, and our own
// broadcasts coming back are handled like anybody's.

// The WM_PACKET_* message that handles a command (the low 8 bits of `command` are
// used), or 0 when the command is dropped. The host-list answer is only taken while
// the host list is in use.
int MessageForCommand(int32_t command, bool useHostlist);

// Parses the datagram and has its handler run before returning (on the window's
// thread). Returns whether a handler ran; empty datagrams and commands without a
// handler are dropped quietly.
bool DispatchDatagram(QObject* componentWindow, const SocketEvent& source, QByteArrayView datagram,
                      bool useHostlist);

// Queues a packet that did not come off the wire (an entry made from the host list)
// for the same handler as a received one; queued, so a long list is handled entry by
// entry after the list's own handler has finished.
bool PostPacket(QObject* componentWindow, ReceivedPacket packet, bool useHostlist);
