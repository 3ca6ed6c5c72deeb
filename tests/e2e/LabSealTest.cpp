// The virtual LAN is sealed: whatever a lab host sends, to whatever address, stays on
// the LAN and never reaches the machine's own network stack.
#include "LanTest.h"
#include "WireListener.h"

#include "support/EventWaiter.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace
{

QByteArray Text(const sockaddr* address)
{
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                sizeof text);
    return text;
}

// The machine's own IPv4 addresses and their broadcast addresses. Loopback is left
// out: a lab host sending to 127.0.0.1 talks to its own loopback.
std::vector<QByteArray> MachineAddresses()
{
    std::vector<QByteArray> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return addresses;
    for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET ||
            (a->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        addresses.push_back(Text(a->ifa_addr));
        if ((a->ifa_flags & IFF_BROADCAST) != 0 && a->ifa_broadaddr != nullptr)
            addresses.push_back(Text(a->ifa_broadaddr));
    }
    ::freeifaddrs(list);
    return addresses;
}

class LabSeal : public LanTest
{
protected:
    int HostCount() const override { return 2; }
};

TEST_F(LabSeal, NothingALabHostSendsReachesTheMachine)
{
    // This process runs in the machine's own namespace: its socket is the machine's.
    QString error;
    WireListener machine;
    ASSERT_TRUE(machine.Open({}, 0, &error)) << error.toStdString();
    const int port = machine.Port();
    WireListener neighbour;
    ASSERT_TRUE(neighbour.Open(Lan().Namespace(2), port, &error)) << error.toStdString();
    WireListener sender;
    ASSERT_TRUE(sender.Open(Lan().Namespace(1), 0, &error)) << error.toStdString();

    const QByteArray own = Lan().Address(1).toLatin1();
    const QByteArray net16 = own.left(own.indexOf('.', own.indexOf('.') + 1));
    std::vector<QByteArray> targets = {
        "255.255.255.255",
        net16 + ".255.255", // the LAN's own broadcast
        net16 + ".0.1",     // an unused LAN address (where a gateway would be)
        "192.0.2.1",        // outside every network (TEST-NET-1)
    };
    for (const QByteArray& address : MachineAddresses())
        targets.push_back(address);
    for (const QByteArray& target : targets)
        EXPECT_TRUE(sender.SendTo(target, port, "to " + target, &error))
            << target.constData() << ": " << error.toStdString();

    // The same socket does reach the LAN, broadcasts included: the sends were real.
    ASSERT_TRUE(sender.SendTo(Lan().Address(2).toLatin1(), port, "to the neighbour", &error))
        << error.toStdString();
    for (const char* heard : {"to the neighbour", "to 255.255.255.255"})
        EXPECT_TRUE(neighbour.WaitFor([&](const auto& d) { return d.Bytes == heard; }, 2000))
            << "host 2 did not hear '" << heard << "'";

    // On this LAN a datagram takes well under a millisecond; a leak would be here by now.
    WaitUntil(
        [&] {
            machine.Collect();
            return !machine.Received().empty();
        },
        300);
    for (const WireListener::Datagram& d : machine.Received())
        ADD_FAILURE() << "the machine heard '" << d.Bytes.constData() << "' from "
                      << d.From.constData();
}

} // namespace
