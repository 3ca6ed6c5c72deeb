#include "engine/TcpSocketWindow.h"

#include "SocketTestSupport.h"
#include "engine/Commands.h"
#include "engine/SocketErrors.h"
#include "support/EventWaiter.h"

#include <QDir>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

#include <sys/socket.h>

#include <gtest/gtest.h>

namespace
{

QByteArray Pattern(qsizetype size)
{
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 7 % 251);
    return data;
}

// A listening window and a window connected to it, with the connection accepted.
struct Connection {
    Connection(bool listenerReads, bool connectorReads, int receiveSize = 8192)
    {
        port = FreePort(SOCK_STREAM);
        listener = std::make_unique<TcpSocketWindow>(&listenerOwner);
        EXPECT_EQ(listener->Listen(port, WM_TCP_NOTIFY, receiveSize, listenerReads), 1);
        connector = std::make_unique<TcpSocketWindow>(&connectorOwner);
        EXPECT_EQ(connector->Connect("127.0.0.1", port, WM_TCP_NOTIFY, receiveSize, connectorReads),
                  1);
        EXPECT_TRUE(WaitUntil([&] { return listenerOwner.CountOfKind(SocketEvent::Accepted); }));
    }

    // Sends everything from the owner's thread, letting the loop run while buffers are full.
    static bool SendAll(TcpSocketWindow& window, const QByteArray& data)
    {
        qsizetype sent = 0;
        return WaitUntil([&] {
            while (sent < data.size()) {
                const int n = window.Send(QByteArrayView(data).sliced(sent));
                if (n < 0)
                    return false;
                sent += n;
            }
            return true;
        });
    }

    int port = 0;
    RecordingOwner listenerOwner;
    RecordingOwner connectorOwner;
    std::unique_ptr<TcpSocketWindow> listener;
    std::unique_ptr<TcpSocketWindow> connector;
};

// Reads like a file-transfer worker: whatever is waiting, a little at a time.
void ReadLikeAWorker(TcpSocketWindow& window, qsizetype expected, std::atomic<qsizetype>& total,
                     QByteArray& received)
{
    char buffer[1000];
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (total < expected && std::chrono::steady_clock::now() < giveUp) {
        const int n = window.Receive(buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, n);
            total += n;
        } else if (n == 0 || window.LastError() != EAGAIN) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

TEST(TcpSocketWindow, AcceptDataAndCloseAreNotified)
{
    Connection tcp(true, true);
    const RecordedMessage& accepted = tcp.listenerOwner.Messages.at(0);
    EXPECT_EQ(accepted.Message, WM_TCP_NOTIFY);
    EXPECT_EQ(accepted.Event.PeerAddress, "127.0.0.1");
    EXPECT_EQ(accepted.Event.PeerPort, 0);
    EXPECT_TRUE(accepted.Data.isEmpty());

    EXPECT_EQ(tcp.connector->Send("hello"), 5);
    ASSERT_TRUE(WaitUntil([&] { return tcp.listenerOwner.ReceivedData() == "hello"; }));
    EXPECT_EQ(tcp.listenerOwner.Messages.at(1).Event.Kind, SocketEvent::DataReceived);
    EXPECT_EQ(tcp.listenerOwner.Messages.at(1).Event.PeerAddress, "127.0.0.1");
    EXPECT_EQ(tcp.listener->Send("back"), 4);
    ASSERT_TRUE(WaitUntil([&] { return tcp.connectorOwner.ReceivedData() == "back"; }));

    tcp.connector.reset();
    ASSERT_TRUE(WaitUntil([&] { return tcp.listenerOwner.CountOfKind(SocketEvent::Closed); }));
    EXPECT_EQ(tcp.listenerOwner.Messages.back().Event.Kind, SocketEvent::Closed);
    EXPECT_EQ(tcp.listenerOwner.Messages.back().Event.PeerAddress, "127.0.0.1");
    EXPECT_EQ(tcp.listener->Send("late"), -1);
    EXPECT_EQ(tcp.listener->ErrorCode(), ERR_SEND);
}

TEST(TcpSocketWindow, DataEventsHoldAtMostTheReceiveSize)
{
    Connection tcp(true, false, 16);
    const QByteArray data = Pattern(1000);
    ASSERT_TRUE(Connection::SendAll(*tcp.connector, data));
    ASSERT_TRUE(WaitUntil([&] { return tcp.listenerOwner.ReceivedData().size() == 1000; }));
    EXPECT_EQ(tcp.listenerOwner.ReceivedData(), data);
    for (const RecordedMessage& message : tcp.listenerOwner.Messages)
        EXPECT_LE(message.Data.size(), 16);
}

TEST(TcpSocketWindow, CloseIsReportedOnlyAfterTheWorkerReadEverything)
{
    Connection tcp(true, false);
    const QByteArray data = Pattern(400 * 1000);
    std::atomic<qsizetype> total = 0;
    qsizetype totalAtClose = -1;
    tcp.connectorOwner.OnMessage = [&](const RecordedMessage& message) {
        if (message.Event.Kind == SocketEvent::Closed)
            totalAtClose = total;
    };
    QByteArray received;
    std::thread worker(ReadLikeAWorker, std::ref(*tcp.connector), data.size(), std::ref(total),
                       std::ref(received));

    // The sender finishes and closes long before the slow reader is done.
    const bool sent = Connection::SendAll(*tcp.listener, data);
    tcp.listener.reset();
    const bool closed =
        WaitUntil([&] { return tcp.connectorOwner.CountOfKind(SocketEvent::Closed) == 1; }, 15000);
    worker.join();

    ASSERT_TRUE(sent);
    ASSERT_TRUE(closed);
    EXPECT_EQ(received, data);
    EXPECT_EQ(totalAtClose, data.size());
    EXPECT_EQ(tcp.connectorOwner.Messages.back().Event.PeerAddress, "127.0.0.1");
}

TEST(TcpSocketWindow, WorkerSendsWhileTheOwnerThreadHandlesNotifications)
{
    Connection tcp(false, true);
    const QByteArray data = Pattern(2 * 1000 * 1000);
    std::atomic<bool> failed = false;
    std::thread worker([&] {
        qsizetype sent = 0;
        while (sent < data.size() && !failed) {
            const int n = tcp.listener->Send(QByteArrayView(data).sliced(sent).first(
                std::min<qsizetype>(4096, data.size() - sent)));
            if (n > 0)
                sent += n;
            else if (tcp.listener->LastError() == EAGAIN)
                std::this_thread::yield();
            else
                failed = true;
        }
    });
    // Meanwhile the owner's thread takes data in and talks back on the same connection.
    int replies = 0;
    const bool done = WaitUntil(
        [&] {
            if (replies < 50 && tcp.connector->Send("ack") == 3)
                ++replies;
            return tcp.connectorOwner.ReceivedData().size() >= data.size() || failed;
        },
        20000);
    worker.join();
    ASSERT_TRUE(done);
    ASSERT_FALSE(failed) << tcp.listener->LastError();
    EXPECT_EQ(tcp.connectorOwner.ReceivedData(), data);
}

TEST(TcpSocketWindow, SendingToAClosedPeerFailsWithoutASignal)
{
    Connection tcp(false, false);
    tcp.connector.reset();
    // No event loop turn in between, so the window has not noticed the close: the
    // sends reach a dead connection, which would raise SIGPIPE without MSG_NOSIGNAL.
    int result = 0;
    for (int i = 0; i < 100 && result >= 0; ++i)
        result = tcp.listener->Send(Pattern(1000));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(tcp.listener->ErrorCode(), ERR_SEND);
    EXPECT_TRUE(tcp.listener->LastError() == EPIPE || tcp.listener->LastError() == ECONNRESET)
        << tcp.listener->LastError();
}

TEST(TcpSocketWindow, OneConnectionAtATime)
{
    Connection tcp(true, true);
    RecordingOwner secondOwner;
    TcpSocketWindow second(&secondOwner);
    ASSERT_EQ(second.Connect("127.0.0.1", tcp.port, WM_TCP_NOTIFY, 8192, true), 1);
    ASSERT_EQ(second.Send("second"), 6);

    // The first connection's data flows; the second waits in the backlog.
    ASSERT_EQ(tcp.connector->Send("first"), 5);
    ASSERT_TRUE(WaitUntil([&] { return tcp.listenerOwner.ReceivedData() == "first"; }));
    EXPECT_EQ(tcp.listenerOwner.CountOfKind(SocketEvent::Accepted), 1);

    tcp.connector.reset();
    ASSERT_TRUE(
        WaitUntil([&] { return tcp.listenerOwner.CountOfKind(SocketEvent::Accepted) == 2; }));
    ASSERT_TRUE(WaitUntil([&] { return tcp.listenerOwner.ReceivedData() == "firstsecond"; }));
    EXPECT_EQ(tcp.listenerOwner.CountOfKind(SocketEvent::Closed), 1);
}

// A receiver that connects and closes again and again must not use up descriptors.
TEST(TcpSocketWindow, ClosedConnectionsAreFreedAtOnce)
{
    const auto descriptors = [] { return QDir("/proc/self/fd").entryList(QDir::System).size(); };
    Connection tcp(true, true);
    const qsizetype before = descriptors();
    for (int i = 1; i <= 30; ++i) {
        tcp.connector = std::make_unique<TcpSocketWindow>(&tcp.connectorOwner); // closes
        ASSERT_EQ(tcp.connector->Connect("127.0.0.1", tcp.port, WM_TCP_NOTIFY, 8192, true), 1);
        ASSERT_TRUE(WaitUntil(
            [&] { return tcp.listenerOwner.CountOfKind(SocketEvent::Accepted) == i + 1; }));
    }
    EXPECT_LE(descriptors(), before);
}

TEST(TcpSocketWindow, ConnectFailures)
{
    struct Case {
        QByteArray host;
        int port;
        int errorCode;
    };
    const int closedPort = FreePort(SOCK_STREAM);
    const Case cases[] = {
        {"no-such-host.invalid", closedPort, ERR_RESOLVE},
        {"127.0.0.1", 0, 0},
        {"0.0.0.0", closedPort, 0},
    };
    for (const Case& c : cases) {
        RecordingOwner owner;
        TcpSocketWindow window(&owner);
        EXPECT_EQ(window.Connect(c.host, c.port, WM_TCP_NOTIFY, 8192, false), 0)
            << c.host.constData();
        EXPECT_EQ(window.ErrorCode(), c.errorCode) << c.host.constData();
    }

    // A refused connection ends as a close, so the owner is not left waiting.
    RecordingOwner owner;
    TcpSocketWindow window(&owner);
    if (window.Connect("127.0.0.1", closedPort, WM_TCP_NOTIFY, 8192, false) == 1) {
        ASSERT_TRUE(WaitUntil([&] { return owner.CountOfKind(SocketEvent::Closed) == 1; }));
        EXPECT_EQ(owner.Messages.back().Event.PeerAddress, "127.0.0.1");
    }
    EXPECT_EQ(window.ErrorCode(), ERR_CONNECT);
    EXPECT_EQ(window.LastError(), ECONNREFUSED);
}

TEST(TcpSocketWindow, ListenFailuresAreRecorded)
{
    TcpSocketWindow orphan(nullptr);
    EXPECT_EQ(orphan.Listen(FreePort(SOCK_STREAM), WM_TCP_NOTIFY, 8192, true), 0);
    EXPECT_EQ(orphan.ErrorCode(), ERR_NO_OWNER);

    RecordingOwner owner;
    TcpSocketWindow first(&owner);
    const int port = FreePort(SOCK_STREAM);
    ASSERT_EQ(first.Listen(port, WM_TCP_NOTIFY, 8192, true), 1);
    TcpSocketWindow second(&owner);
    EXPECT_EQ(second.Listen(port, WM_TCP_NOTIFY, 8192, true), 0);
    EXPECT_EQ(second.ErrorCode(), ERR_BIND);
    EXPECT_EQ(second.LastError(), EADDRINUSE);
    // The recorded error makes the next Listen fail at once.
    EXPECT_EQ(second.Listen(FreePort(SOCK_STREAM), WM_TCP_NOTIFY, 8192, true), 0);
}

TEST(TcpSocketWindow, SendAndReceiveWithoutDataWaiting)
{
    RecordingOwner owner;
    TcpSocketWindow unconnected(&owner);
    char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(unconnected.Send("x"), -1);
    EXPECT_EQ(unconnected.ErrorCode(), ERR_SEND);
    EXPECT_EQ(unconnected.Receive(buffer, sizeof buffer), -1);
    EXPECT_EQ(unconnected.ErrorCode(), ERR_RECEIVE);

    Connection tcp(false, false);
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(tcp.listener->Receive(buffer, sizeof buffer), -1);
    EXPECT_EQ(tcp.listener->LastError(), EAGAIN); // "would block"
    EXPECT_EQ(QByteArray(buffer, sizeof buffer), QByteArray(sizeof buffer, '\0'));
}
