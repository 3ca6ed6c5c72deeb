// Entry, presence and exit between real copies on the virtual LAN.
#include "LanTest.h"
#include "WireListener.h"

#include "support/EventWaiter.h"

#include <QSysInfo>

#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace
{

using Membership = LanTest;

TEST_F(Membership, EveryoneSeesEveryoneWithApplicationInformation)
{
    std::vector<CliPeer*> peers = {&Start(1), &Start(2), &Start(3)};
    EnterAll(peers);

    // The namespaces share the machine's name and the login of whoever runs the test.
    const QString hostName = QSysInfo::machineHostName();
    const QString userName = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    for (CliPeer* peer : peers) {
        EXPECT_EQ(peer->Get("MyHostName").toString(), hostName);
        EXPECT_EQ(peer->Get("MyUserName").toString(), userName);
        for (CliPeer* other : peers) {
            if (other == peer)
                continue;
            const PeerSettings s = SettingsFor(other->Host());
            const QJsonArray expected =
                Args({other->Address(), 2425, 1, "", s.Aliase, hostName, userName, s.Groups});
            for (const QJsonArray& args : peer->Events("MemberAdded")) {
                if (args.at(0) != other->Address())
                    continue;
                EXPECT_EQ(Text(args), Text(expected)) << "at host " << peer->Host();
            }
            // Its second report came with the application information.
            EXPECT_EQ(peer->Call("GetAppInfo", Args({other->Address()}))["result"].toString(),
                      "Palavo XP 1.0");
        }
    }
    // Nothing since has reported anybody a third time.
    for (CliPeer* peer : peers) {
        for (CliPeer* other : peers) {
            if (other == peer)
                continue;
            EXPECT_EQ(MemberAddedCount(*peer, other->Address()), 2)
                << "host " << peer->Host() << " about " << other->Host();
        }
    }
}

TEST_F(Membership, PresenceAndAbsenceReply)
{
    CliPeer& away = Start(1);
    CliPeer& caller = Start(2);
    CliPeer& third = Start(3);
    EnterAll({&away, &caller, &third});

    ASSERT_TRUE(
        away.Call("UpdatePresense", Args({0, "会議中", "ただいま不在です"}))["ok"].toBool());
    for (CliPeer* peer : {&caller, &third})
        EXPECT_GE(peer->WaitForEvent("PresenseNotified",
                                     [&](const QJsonArray& a) {
                                         return a == Args({away.Address(), 0, "会議中"});
                                     }),
                  0)
            << peer->Diagnostics().toStdString();

    // A message to the absent user is answered by the absence reply.
    ASSERT_TRUE(
        caller.Call("SendPrivateMessage", Args({away.Address(), 1, "至急連絡ください"}))["ok"]
            .toBool());
    EXPECT_GE(
        away.WaitForEvent("MessageReceived",
                          [&](const QJsonArray& a) {
                              return a == Args({caller.Address(), 2425, "", "至急連絡ください", 0});
                          }),
        0);
    EXPECT_GE(away.WaitForEvent("AutoResponsedNotification",
                                [&](const QJsonArray& a) {
                                    return a == Args({caller.Address(), "ただいま不在です"});
                                }),
              0)
        << away.Diagnostics().toStdString();
    EXPECT_GE(
        caller.WaitForEvent("MessageReceived",
                            [&](const QJsonArray& a) {
                                return a == Args({away.Address(), 2425, "", "ただいま不在です", 0});
                            }),
        0)
        << caller.Diagnostics().toStdString();

    // Back at the desk.
    ASSERT_TRUE(away.Call("UpdatePresense", Args({1, "", ""}))["ok"].toBool());
    for (CliPeer* peer : {&caller, &third})
        EXPECT_GE(peer->WaitForEvent("PresenseNotified",
                                     [&](const QJsonArray& a) {
                                         return a == Args({away.Address(), 1, ""});
                                     }),
                  0);
    EXPECT_EQ(third.Events("AutoResponsedNotification").size(), 0u);
}

// Three copies and, on host 4, a plain socket that hears their exit broadcasts.
class Leaving : public LanTest
{
protected:
    int HostCount() const override { return 4; }
};

TEST_F(Leaving, IsAnnouncedWhicheverWayTheCopyEnds)
{
    WireListener wire;
    QString error;
    ASSERT_TRUE(wire.Open(Lan().Namespace(4), 2425, &error)) << error.toStdString();
    CliPeer& a = Start(1);
    CliPeer& b = Start(2);
    CliPeer& c = Start(3);
    EnterAll({&a, &b, &c});
    auto deleted = [](CliPeer& at, const CliPeer& gone) {
        return at.WaitForEvent("MemberDeleted", [&](const QJsonArray& args) {
            return args == Args({gone.Address()});
        });
    };

    // End of input.
    a.CloseInput();
    EXPECT_EQ(a.WaitForExit(), 0);
    EXPECT_GE(deleted(b, a), 0);
    EXPECT_GE(deleted(c, a), 0);

    // SIGINT, as from a terminal.
    ::kill(static_cast<pid_t>(b.Pid()), SIGINT);
    EXPECT_EQ(b.WaitForExit(), 0);
    EXPECT_GE(deleted(c, b), 0);

    // Drop by call, then SIGTERM: the copy has already left and says nothing more.
    EXPECT_TRUE(c.Call("Drop")["ok"].toBool());
    c.Terminate();
    EXPECT_EQ(c.WaitForExit(), 0);
    // One exit datagram from each, whether it ended by input, signal or call.
    // The copies have ended, so whatever they sent is waiting in the socket already.
    wire.Collect();
    for (CliPeer* peer : {&a, &b, &c}) {
        int exits = 0;
        for (const WireListener::Datagram& d : wire.Received())
            exits += d.From == peer->Address().toLatin1() && SplitDatagram(d.Bytes).Command == 2;
        EXPECT_EQ(exits, 1) << "host " << peer->Host();
    }
}

} // namespace
