#pragma once

#include <QByteArrayView>

// What the engine needs from its UDP socket. The engine sends only through this seam,
// so a test can put a fake behind it and look at what would have gone out.
class IDatagramSocket
{
public:
    virtual ~IDatagramSocket() = default;

    // Binds the port; received datagrams are posted to the owner under `ownerMessage`.
    // 1 on success, 0 with the error recorded.
    virtual int Open(int port, int ownerMessage, int receiveSize) = 0;

    // Bytes sent; 0 when the host (dotted address or name) does not resolve; -1 on a
    // send failure or a zero port or address.
    virtual int SendTo(QByteArrayView host, int port, QByteArrayView bytes) = 0;
    // To 255.255.255.255 at the bound port. Bytes sent, or -1.
    virtual int Broadcast(QByteArrayView bytes) = 0;

    virtual int LastError() const = 0; // errno of the last failing call
    virtual int ErrorCode() const = 0; // one of the ERR_ codes, 0 = none
    virtual int Port() const = 0;      // the port the socket was opened on
};

// Sends one copy of `bytes` to every entry of a comma-separated list of addresses or
// host names (the user's extra broadcast addresses). Entries are trimmed and blank
// ones skipped; a failing entry does not stop the others.
void SendDirectedCopies(IDatagramSocket& socket, QByteArrayView broadcastAddresses, int port,
                        QByteArrayView bytes);
