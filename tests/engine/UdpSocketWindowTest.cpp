#include "engine/UdpSocketWindow.h"

#include "SocketTestSupport.h"
#include "engine/Commands.h"
#include "engine/SocketErrors.h"
#include "platform/Cp932.h"
#include "support/Bytes.h"
#include "support/EventWaiter.h"

#include <QTemporaryDir>

#include <cerrno>
#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace
{

// Whether the kernel has a route for the limited broadcast; connecting a UDP socket
// looks the route up without sending anything.
bool HasBroadcastRoute()
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    target.sin_port = htons(9);
    const bool routed = ::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0;
    close(fd);
    return routed;
}

// An opened socket window with its owner and a log file in a fresh folder.
struct OpenedWindow {
    explicit OpenedWindow(bool logging = false)
        : port(FreePort(SOCK_DGRAM)), window(&owner, logging, dir.filePath("Palavo_socket.log"))
    {
        EXPECT_EQ(window.Open(port, WM_UDP_NOTIFY, 8192), 1) << window.LastError();
    }

    QByteArray Log() const { return ReadFileBytes(dir.filePath("Palavo_socket.log")); }

    QTemporaryDir dir;
    RecordingOwner owner;
    int port;
    UdpSocketWindow window;
};

} // namespace

TEST(UdpSocketWindowOpen, FailuresAreRecorded)
{
    UdpSocketWindow orphan(nullptr, false, QString());
    EXPECT_EQ(orphan.Open(FreePort(SOCK_DGRAM), WM_UDP_NOTIFY, 8192), 0);
    EXPECT_EQ(orphan.ErrorCode(), ERR_NO_OWNER);

    // Two copies on one port: the second must fail, never share the port.
    OpenedWindow first;
    RecordingOwner owner;
    UdpSocketWindow second(&owner, false, QString());
    EXPECT_EQ(second.Open(first.port, WM_UDP_NOTIFY, 8192), 0);
    EXPECT_EQ(second.ErrorCode(), ERR_BIND);
    EXPECT_EQ(second.LastError(), EADDRINUSE);

    // The recorded error makes the next Open fail at once, even on a free port.
    EXPECT_EQ(second.Open(FreePort(SOCK_DGRAM), WM_UDP_NOTIFY, 8192), 0);
    EXPECT_EQ(second.ErrorCode(), ERR_BIND);
}

TEST(UdpSocketWindowReceive, DatagramsLongerThanTheReceiveSizeAreDroppedWhole)
{
    struct Case {
        qsizetype size;
        bool delivered;
    };
    const Case cases[] = {{8192, true}, {9000, false}, {8193, false}, {1, true}};

    OpenedWindow udp;
    UdpPeer peer;
    for (const Case& c : cases) {
        QByteArray datagram(c.size, '\0');
        for (qsizetype i = 0; i < c.size; ++i)
            datagram[i] = static_cast<char>('a' + i % 26);
        const size_t before = udp.owner.Messages.size();
        ASSERT_TRUE(peer.SendTo(udp.port, datagram));
        if (c.delivered) {
            ASSERT_TRUE(WaitUntil([&] { return udp.owner.Messages.size() == before + 1; }));
            const RecordedMessage& message = udp.owner.Messages.back();
            EXPECT_EQ(message.Message, WM_UDP_NOTIFY);
            EXPECT_EQ(message.Event.Kind, SocketEvent::DataReceived);
            EXPECT_EQ(message.Event.PeerAddress, "127.0.0.1");
            EXPECT_EQ(message.Event.PeerPort, peer.Port());
            EXPECT_EQ(message.Data, datagram) << "size " << c.size;
            EXPECT_EQ(udp.window.ErrorCode(), 0);
        } else {
            ASSERT_TRUE(WaitUntil([&] { return udp.window.ErrorCode() == ERR_RECEIVE; }))
                << "size " << c.size;
            EXPECT_EQ(udp.window.LastError(), EMSGSIZE);
            // Nothing of it was delivered: the next message is the marker sent after it.
            ASSERT_TRUE(peer.SendTo(udp.port, "marker"));
            ASSERT_TRUE(WaitUntil([&] { return udp.owner.Messages.size() > before; }));
            EXPECT_EQ(udp.owner.Messages.size(), before + 1);
            EXPECT_EQ(udp.owner.Messages.back().Data, "marker") << "size " << c.size;
        }
    }
}

TEST(UdpSocketWindowReceive, DatagramsAreHandedOverInArrivalOrder)
{
    OpenedWindow udp;
    UdpPeer peer;
    const int count = 200;
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(peer.SendTo(udp.port, QByteArray::number(i)));
    ASSERT_TRUE(WaitUntil([&] { return udp.owner.Messages.size() == count; }))
        << udp.owner.Messages.size();
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(udp.owner.Messages[i].Data, QByteArray::number(i));
}

TEST(UdpSocketWindowReceive, AHandlerMayDestroyTheSocketMidBatch)
{
    // The owner handles each datagram inside the socket's own notification, and an event
    // sink may Drop the component there: the rest of the batch must not be delivered
    // through a socket object that no longer exists.
    RecordingOwner owner;
    const int port = FreePort(SOCK_DGRAM);
    auto window = std::make_unique<UdpSocketWindow>(&owner, false, QString());
    ASSERT_EQ(window->Open(port, WM_UDP_NOTIFY, 8192), 1);
    UdpPeer peer;
    for (int i = 0; i < 5; ++i) // all waiting before the loop looks: one batch
        ASSERT_TRUE(peer.SendTo(port, QByteArray::number(i)));
    owner.OnMessage = [&](const RecordedMessage&) { window.reset(); };
    ASSERT_TRUE(WaitUntil([&] { return !owner.Messages.empty(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.Messages.size(), 1u);
}

TEST(UdpSocketWindowReceive, ANestedEventLoopKeepsArrivalOrder)
{
    // A handler may open a modal box, whose event loop hears the socket again: what was
    // read before must still be handed over before what arrives during the box.
    OpenedWindow udp;
    UdpPeer peer;
    for (int i = 0; i < 3; ++i) // all waiting before the loop looks: one batch
        ASSERT_TRUE(peer.SendTo(udp.port, QByteArray::number(i)));
    bool nested = false;
    udp.owner.OnMessage = [&](const RecordedMessage&) {
        if (nested)
            return;
        nested = true;
        ASSERT_TRUE(peer.SendTo(udp.port, "3"));
        ASSERT_TRUE(peer.SendTo(udp.port, "4"));
        WaitUntil([&] { return udp.owner.Messages.size() >= 5; }, 500);
    };
    ASSERT_TRUE(WaitUntil([&] { return udp.owner.Messages.size() >= 5; }));
    QByteArrayList order;
    for (const RecordedMessage& message : udp.owner.Messages)
        order << message.Data;
    EXPECT_EQ(order.join(','), "0,1,2,3,4");
}

TEST(UdpSocketWindowSend, ResultsAndRecordedErrors)
{
    OpenedWindow udp;
    UdpPeer peer;
    struct Case {
        QByteArray host;
        int port;
        int result;
        int errorCode;
    };
    const Case cases[] = {
        {"no-such-host.invalid", peer.Port(), 0, ERR_RESOLVE},
        {"127.0.0.1", peer.Port(), 5, 0}, // the socket still works after a failed lookup
        {"", peer.Port(), 0, ERR_RESOLVE},
        {"localhost", peer.Port(), 5, 0},
        {"127.0.0.1", 0, -1, 0},
        {"0.0.0.0", peer.Port(), -1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(udp.window.SendTo(c.host, c.port, "hello"), c.result) << c.host.constData();
        EXPECT_EQ(udp.window.ErrorCode(), c.errorCode) << c.host.constData();
        if (c.result > 0) {
            EXPECT_EQ(peer.Receive(), QByteArray("hello")) << c.host.constData();
        }
    }
    EXPECT_FALSE(peer.Receive(0).has_value()) << "only the successful sends arrive";

    RecordingOwner owner;
    UdpSocketWindow unopened(&owner, false, QString());
    EXPECT_EQ(unopened.SendTo("127.0.0.1", peer.Port(), "x"), -1);
    EXPECT_EQ(unopened.ErrorCode(), ERR_SEND);
    EXPECT_EQ(unopened.LastError(), EBADF);
}

TEST(UdpSocketWindowLog, EachDirectionIsLoggedWithItsLabel)
{
    OpenedWindow udp(true);
    UdpPeer peer;
    const QByteArray packet =
        "1:100:user:host:1:" + Cp932::FromUnicode(u"こんにちは") + Bytes("\0group\0");
    ASSERT_TRUE(peer.SendTo(udp.port, packet));
    ASSERT_TRUE(WaitUntil([&] { return udp.owner.Messages.size() == 1; }));
    ASSERT_EQ(udp.window.SendTo("localhost", peer.Port(), Bytes("sent\0part")), 9);

    const QByteArray port = QByteArray::number(peer.Port());
    const std::vector<QByteArray> expected = {
        "RECV←127.0.0.1:" + port + "\t 1:100:user:host:1:こんにちは",
        "SEND→localhost:" + port + "\t sent",
    };
    EXPECT_EQ(LogLinesWithoutTime(udp.Log()), expected);
}

TEST(UdpSocketWindowLog, LongDatagramsAreSentButNotLogged)
{
    OpenedWindow udp(true);
    UdpPeer peer;
    const QByteArray limit(10000, 'a');
    const QByteArray tooLong(10001, 'b');
    EXPECT_EQ(udp.window.SendTo("127.0.0.1", peer.Port(), tooLong), 10001);
    EXPECT_EQ(peer.Receive(), tooLong);
    EXPECT_EQ(udp.window.SendTo("127.0.0.1", peer.Port(), limit), 10000);
    EXPECT_EQ(peer.Receive(), limit);

    const std::vector<QByteArray> lines = LogLinesWithoutTime(udp.Log());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].endsWith("\t " + limit));
}

TEST(UdpSocketWindowLog, NothingIsWrittenWhenOffOrUnopenable)
{
    QTemporaryDir dir;
    const QString paths[] = {dir.filePath("off.log"), dir.path() /* a folder: cannot open */};
    const bool logging[] = {false, true};
    UdpPeer peer;
    for (int i = 0; i < 2; ++i) {
        RecordingOwner owner;
        const int port = FreePort(SOCK_DGRAM);
        UdpSocketWindow window(&owner, logging[i], paths[i]);
        ASSERT_EQ(window.Open(port, WM_UDP_NOTIFY, 8192), 1);
        EXPECT_EQ(window.SendTo("127.0.0.1", peer.Port(), "out"), 3);
        ASSERT_TRUE(peer.SendTo(port, "in"));
        ASSERT_TRUE(WaitUntil([&] { return owner.Messages.size() == 1; }));
        EXPECT_EQ(window.ErrorCode(), 0);
    }
    EXPECT_FALSE(QFile::exists(paths[0]));
}

TEST(UdpSocketWindowBroadcast, ReachesTheBoundPortAndIsLoggedMasked)
{
    if (!HasBroadcastRoute())
        GTEST_SKIP() << "no route for 255.255.255.255 here (a default route is needed)";
    OpenedWindow udp(true);
    ASSERT_EQ(udp.window.Broadcast(Bytes("cast\0group")), 10) << udp.window.LastError();

    // The machine hears its own broadcast on the bound port.
    ASSERT_TRUE(WaitUntil([&] { return udp.owner.Messages.size() == 1; }));
    EXPECT_EQ(udp.owner.Messages[0].Data, Bytes("cast\0group"));
    EXPECT_EQ(udp.owner.Messages[0].Event.PeerPort, udp.port);

    const QByteArray port = QByteArray::number(udp.port);
    const std::vector<QByteArray> lines = LogLinesWithoutTime(udp.Log());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CAST⇒XXX:XXX:XXX:XXX:" + port + "\t cast");
    EXPECT_TRUE(lines[1].startsWith("RECV←")) << lines[1].constData();
}
