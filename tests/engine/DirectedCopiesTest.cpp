#include "engine/DatagramSocket.h"

#include "SocketTestSupport.h"
#include "engine/Commands.h"
#include "engine/UdpSocketWindow.h"
#include "support/EventWaiter.h"

#include <QByteArray>

#include <vector>

#include <sys/socket.h>

#include <gtest/gtest.h>

namespace
{

struct CopySent {
    QByteArray host;
    int port;
    QByteArray bytes;
    bool operator==(const CopySent&) const = default;
};

// Records what would have been sent; hosts named "bad..." do not resolve.
class CopyRecorder : public IDatagramSocket
{
public:
    int Open(int, int, int) override { return 1; }
    int SendTo(QByteArrayView host, int port, QByteArrayView bytes) override
    {
        Sent.push_back({host.toByteArray(), port, bytes.toByteArray()});
        return host.startsWith("bad") ? 0 : static_cast<int>(bytes.size());
    }
    int Broadcast(QByteArrayView) override { return -1; }
    int LastError() const override { return 0; }
    int ErrorCode() const override { return 0; }
    int Port() const override { return 2425; }

    std::vector<CopySent> Sent;
};

} // namespace

TEST(SendDirectedCopies, OneCopyPerNonEmptyEntry)
{
    struct Case {
        const char* list;
        std::vector<QByteArray> hosts;
    };
    const Case cases[] = {
        {"10.0.0.255,,10.1.255.255", {"10.0.0.255", "10.1.255.255"}}, // empty entry skipped
        {"", {}},
        {",,", {}},
        {"10.0.0.255", {"10.0.0.255"}}, // the last entry counts without a trailing comma
        {"10.0.0.255,", {"10.0.0.255"}},
        {" 10.0.0.255 , lan-host ,  ", {"10.0.0.255", "lan-host"}}, // blanks trimmed
        {"bad-name,10.0.0.255", {"bad-name", "10.0.0.255"}},        // a failure stops nothing
    };
    for (const Case& c : cases) {
        CopyRecorder socket;
        SendDirectedCopies(socket, c.list, 2425, "packet");
        std::vector<CopySent> expected;
        for (const QByteArray& host : c.hosts)
            expected.push_back({host, 2425, "packet"});
        EXPECT_EQ(socket.Sent, expected) << '"' << c.list << '"';
    }
}

TEST(SendDirectedCopies, ThroughTheRealSocket)
{
    RecordingOwner owner;
    UdpSocketWindow window(&owner, false, QString());
    ASSERT_EQ(window.Open(FreePort(SOCK_DGRAM), WM_UDP_NOTIFY, 8192), 1);
    UdpPeer peer;
    SendDirectedCopies(window, "127.0.0.1,no-such-host.invalid,localhost", peer.Port(), "copy");
    EXPECT_EQ(peer.Receive(), QByteArray("copy"));
    EXPECT_EQ(peer.Receive(), QByteArray("copy"));
    EXPECT_FALSE(peer.Receive(100).has_value());
}
