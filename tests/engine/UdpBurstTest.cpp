// A burst of datagrams at the engine's UDP socket, as when every peer of a LAN answers
// an entry at once: the reader thread that takes over, and the socket window that hands
// the burst to its owner.
#include "engine/DatagramReader.h"
#include "engine/UdpSocketWindow.h"

#include "SocketTestSupport.h"
#include "support/EventWaiter.h"
#include "engine/Commands.h"

#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace
{

// A plain UDP socket on 127.0.0.1 with the receive buffer asked for; its port.
int BoundSocket(int receiveBuffer, int* port)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    socklen_t length = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    *port = ntohs(local.sin_port);
    return fd;
}

// The receive buffer the kernel grants a socket that asks for `bytes` the way the
// engine's socket does (root may force it past the system's limit).
int GrantedReceiveBuffer(int bytes)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    int granted = 0;
    socklen_t length = sizeof granted;
    getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &length);
    close(fd);
    return granted;
}

} // namespace

TEST(DatagramReader, MovesABurstIntoTheQueueInOrderAsItComes)
{
    // A small kernel buffer, as an ordinary user gets; the thread alone reads it.
    int port = 0;
    const int fd = BoundSocket(64 * 1024, &port);
    DatagramReader reader(8192);
    std::atomic<int> notices{0};
    std::atomic<bool> finished{false};
    std::atomic<bool> onOtherThread{true};
    const std::thread::id testThread = std::this_thread::get_id();
    reader.Drain(
        fd,
        [&] {
            ++notices;
            onOtherThread = onOtherThread && std::this_thread::get_id() != testThread;
        },
        [&] { finished = true; });

    // The sender keeps at most 50 in flight (sent, not yet in the queue), so the test
    // waits for a slow thread instead of failing on a busy machine, and a reader that
    // does not read stops it.
    constexpr int count = 3000;
    UdpPeer peer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::vector<ReceivedDatagram> taken;
    for (int sent = 0; sent < count;) {
        if (sent < int(taken.size()) + 50) {
            ASSERT_TRUE(peer.SendTo(port, QByteArray::number(sent)));
            ++sent;
            continue;
        }
        // Take what the reader has queued, as the owner's thread would later.
        while (std::optional<ReceivedDatagram> next = reader.Pop())
            taken.push_back(std::move(*next));
        ASSERT_TRUE(std::chrono::steady_clock::now() < deadline)
            << "the reader moved only " << taken.size() << " of " << sent;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    while (taken.size() < count && std::chrono::steady_clock::now() < deadline) {
        while (std::optional<ReceivedDatagram> next = reader.Pop())
            taken.push_back(std::move(*next));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(taken.size(), size_t(count));
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(taken[size_t(i)].Data, QByteArray::number(i));
        EXPECT_EQ(taken[size_t(i)].Event.Kind, SocketEvent::DataReceived);
        EXPECT_EQ(taken[size_t(i)].Event.PeerAddress, "127.0.0.1");
        EXPECT_EQ(taken[size_t(i)].Event.PeerPort, peer.Port());
    }
    EXPECT_GT(notices.load(), 0);
    EXPECT_TRUE(onOtherThread.load());

    // A quiet spell ends the thread, and it says so.
    while (!finished.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(finished.load());
    reader.Stop();
    EXPECT_FALSE(reader.Draining());
    close(fd);
}

TEST(DatagramReader, StopEndsTheThreadWithoutAFinishNotice)
{
    int port = 0;
    const int fd = BoundSocket(64 * 1024, &port);
    DatagramReader reader(8192);
    std::atomic<bool> finished{false};
    reader.Drain(
        fd, [] {}, [&] { finished = true; });
    EXPECT_TRUE(reader.Draining());
    reader.Stop(); // at once, long before the socket has been quiet for QuietMs
    EXPECT_FALSE(reader.Draining());
    EXPECT_FALSE(finished.load());
    close(fd);
}

TEST(UdpSocketWindowBurst, ABurstWhileTheOwnerIsBusyIsHandedOverWholeAndInOrder)
{
    // The owner's thread is busy elsewhere while the whole burst arrives, before the
    // notifier has even looked: the kernel's buffer has to hold all of it.
    constexpr int count = 3000; // about 3 MB of buffer on loopback
    const int granted = GrantedReceiveBuffer(16 << 20);
    if (granted < 8 << 20)
        GTEST_SKIP() << "the system grants only " << granted
                     << " bytes of receive buffer (net.core.rmem_max) and this process "
                        "may not force more";

    RecordingOwner owner;
    const int port = FreePort(SOCK_DGRAM);
    UdpSocketWindow window(&owner, false, QString());
    ASSERT_EQ(window.Open(port, WM_UDP_NOTIFY, 8192), 1);
    QThread* const ownerThread = QThread::currentThread();
    bool onOwnerThread = true;
    // Something else for the event loop, asked for while the first datagram is handled:
    // it must come after the current turn, not after the whole burst. Handlers take
    // their time, so the queue stays long.
    size_t handedBeforeProbe = 0;
    owner.OnMessage = [&](const RecordedMessage&) {
        onOwnerThread = onOwnerThread && QThread::currentThread() == ownerThread;
        if (owner.Messages.size() == 1)
            QTimer::singleShot(0, [&] { handedBeforeProbe = owner.Messages.size(); });
        QThread::usleep(50);
    };
    UdpPeer peer;
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(peer.SendTo(port, QByteArray::number(i)));

    ASSERT_TRUE(WaitUntil([&] { return owner.Messages.size() >= count; }, 20000))
        << owner.Messages.size();
    ASSERT_EQ(owner.Messages.size(), size_t(count));
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(owner.Messages[size_t(i)].Data, QByteArray::number(i));
    EXPECT_GT(handedBeforeProbe, 0u);
    // A turn or two of the event loop (256 each), never the whole burst.
    EXPECT_LE(handedBeforeProbe, 600u) << "the burst kept the event loop waiting";
    EXPECT_TRUE(onOwnerThread);
}

TEST(UdpSocketWindowBurst, AHandlerMayDestroyTheSocketWhileTheReaderRuns)
{
    struct Case {
        int waiting; // datagrams waiting when the handler destroys the socket
    };
    const Case cases[] = {{5}, {200}, {2000}}; // one batch; the reader thread; a long burst
    for (const Case& c : cases) {
        RecordingOwner owner;
        const int port = FreePort(SOCK_DGRAM);
        auto window = std::make_unique<UdpSocketWindow>(&owner, false, QString());
        ASSERT_EQ(window->Open(port, WM_UDP_NOTIFY, 8192), 1);
        UdpPeer peer;
        for (int i = 0; i < c.waiting; ++i)
            ASSERT_TRUE(peer.SendTo(port, QByteArray::number(i)));
        int handled = 0;
        owner.OnMessage = [&](const RecordedMessage&) {
            if (++handled == 3)
                window.reset();
        };
        ASSERT_TRUE(WaitUntil([&] { return window == nullptr; })) << c.waiting;
        WaitUntil([] { return false; }, 100); // anything still on its way would come now
        EXPECT_EQ(owner.Messages.size(), 3u) << c.waiting;
    }
}

TEST(UdpSocketWindowBurst, WhileABurstGoesOnOtherEventsWaitAtMostATurn)
{
    // Datagrams keep arriving while the owner handles them, so the reader thread keeps
    // announcing more: the announcements must not pile up in the event queue ahead of
    // what others post (a click on the window), which would then wait for all of them.
    constexpr int count = 4000;
    RecordingOwner owner;
    const int port = FreePort(SOCK_DGRAM);
    UdpSocketWindow window(&owner, false, QString());
    ASSERT_EQ(window.Open(port, WM_UDP_NOTIFY, 8192), 1);
    QObject probes;
    size_t worstWait = 0; // datagrams handed over between a probe's post and its turn
    owner.OnMessage = [&](const RecordedMessage&) {
        const size_t postedAt = owner.Messages.size();
        if (postedAt % 100 == 0)
            QMetaObject::invokeMethod(
                &probes,
                [&, postedAt] {
                    worstWait = std::max(worstWait, owner.Messages.size() - postedAt);
                },
                Qt::QueuedConnection);
        QThread::usleep(50);
    };
    std::thread sender([&] {
        UdpPeer peer;
        for (int i = 0; i < count; ++i) {
            peer.SendTo(port, QByteArray::number(i));
            if (i % 20 == 19)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const bool all = WaitUntil([&] { return owner.Messages.size() >= count; }, 30000);
    sender.join();
    ASSERT_TRUE(all) << owner.Messages.size();
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(owner.Messages[size_t(i)].Data, QByteArray::number(i));
    // A turn or two of the event loop (256 each).
    EXPECT_LE(worstWait, 600u);
}
