#pragma once

#include "engine/SocketEvent.h"
#include "support/FreePort.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// What the socket objects post, as the owner saw it.
struct RecordedMessage {
    int Message = 0;
    SocketEvent Event;
    QByteArray Data;
};

// Stands in for the component window: keeps every SocketMessage posted to it.
class RecordingOwner : public QObject
{
public:
    std::vector<RecordedMessage> Messages;
    // Called on the owner's thread as each message arrives.
    std::function<void(const RecordedMessage&)> OnMessage;

    int CountOfKind(int kind) const;
    // The data of all Kind 2 messages, joined.
    QByteArray ReceivedData() const;

protected:
    bool event(QEvent* event) override;
};

// A plain UDP socket on 127.0.0.1 playing the peer.
class UdpPeer
{
public:
    UdpPeer();
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    int Port() const { return m_port; }
    bool SendTo(int port, QByteArrayView bytes);
    // The next datagram, or nothing within the time.
    std::optional<QByteArray> Receive(int timeoutMs = 3000);

private:
    int m_fd = -1;
    int m_port = 0;
};

QByteArray ReadFileBytes(const QString& path);

// The log's lines with the time stamp checked for its shape and cut off.
std::vector<QByteArray> LogLinesWithoutTime(const QByteArray& log);
