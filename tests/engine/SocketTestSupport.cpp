#include "SocketTestSupport.h"

#include <QFile>
#include <QRegularExpression>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

int RecordingOwner::CountOfKind(int kind) const
{
    int count = 0;
    for (const RecordedMessage& message : Messages)
        count += message.Event.Kind == kind ? 1 : 0;
    return count;
}

QByteArray RecordingOwner::ReceivedData() const
{
    QByteArray data;
    for (const RecordedMessage& message : Messages) {
        if (message.Event.Kind == SocketEvent::DataReceived)
            data += message.Data;
    }
    return data;
}

bool RecordingOwner::event(QEvent* event)
{
    if (const auto* message = dynamic_cast<const SocketMessage*>(event)) {
        Messages.push_back({message->Message(), message->Event, message->Data});
        if (OnMessage)
            OnMessage(Messages.back());
        return true;
    }
    return QObject::event(event);
}

UdpPeer::UdpPeer()
{
    m_fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof local;
    bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &size);
    m_port = ntohs(local.sin_port);
    const int bufferSize = 1 << 20;
    setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bufferSize, sizeof bufferSize);
}

UdpPeer::~UdpPeer()
{
    close(m_fd);
}

bool UdpPeer::SendTo(int port, QByteArrayView bytes)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(static_cast<uint16_t>(port));
    return sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&target),
                  sizeof target) == bytes.size();
}

std::optional<QByteArray> UdpPeer::Receive(int timeoutMs)
{
    pollfd watch{m_fd, POLLIN, 0};
    if (poll(&watch, 1, timeoutMs) != 1)
        return std::nullopt;
    QByteArray buffer(65536, '\0');
    const ssize_t length = recv(m_fd, buffer.data(), buffer.size(), 0);
    if (length < 0)
        return std::nullopt;
    buffer.resize(length);
    return buffer;
}

QByteArray ReadFileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<QByteArray> LogLinesWithoutTime(const QByteArray& log)
{
    static const QRegularExpression stamp(
        QStringLiteral(R"(^\d{4}/\d{2}/\d{2}/ \d{2}:\d{2}:\d{2}\.\d{3} )"));
    std::vector<QByteArray> lines;
    for (const QByteArray& line : log.split('\n')) {
        if (line.isEmpty())
            continue;
        EXPECT_TRUE(stamp.match(QString::fromUtf8(line)).hasMatch()) << line.constData();
        lines.push_back(line.mid(25));
    }
    return lines;
}
