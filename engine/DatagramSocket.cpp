#include "engine/DatagramSocket.h"

#include <QByteArray>
#include <QList>

void SendDirectedCopies(IDatagramSocket& socket, QByteArrayView broadcastAddresses, int port,
                        QByteArrayView bytes)
{
    // Blanks are trimmed: a list typed as "a, b" means the host "b", which would not
    // resolve with its leading blank.
    const QList<QByteArray> entries = broadcastAddresses.toByteArray().split(',');
    for (const QByteArray& entry : entries) {
        const QByteArray host = entry.trimmed();
        if (!host.isEmpty())
            socket.SendTo(host, port, bytes);
    }
}
