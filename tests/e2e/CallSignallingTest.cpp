// Call signalling over the XML command channel between real copies, with the first
// copy of a command lost on the way.
#include "LanTest.h"

#include "support/EventWaiter.h"

#include <QRegularExpression>

namespace
{

class CallSignalling : public LanTest
{
protected:
    int HostCount() const override { return 2; }
    bool NeedsNft() const override { return true; }

    // Drops, inside `host`, every chat datagram from `from`, counting them.
    bool BlockFrom(int host, const QString& from)
    {
        return Lan().Nft(host, {"-f", "-"},
                         QStringLiteral("table inet palavo_e2e {\n"
                                        "  chain input {\n"
                                        "    type filter hook input priority 0;\n"
                                        "    ip saddr %1 udp dport 2425 counter drop;\n"
                                        "  }\n"
                                        "}\n")
                             .arg(from)
                             .toLatin1());
    }
    int Blocked(int host)
    {
        QString listing;
        Lan().Nft(host, {"list", "table", "inet", "palavo_e2e"}, {}, &listing);
        static const QRegularExpression packets(QStringLiteral(R"(counter packets (\d+))"));
        return packets.match(listing).captured(1).toInt();
    }
    void Unblock(int host) { Lan().Nft(host, {"delete", "table", "inet", "palavo_e2e"}); }
};

// The product's resend wait for an XML command without its receipt.
constexpr int XmlResendMs = 2000;

TEST_F(CallSignalling, RequestIsResentWhenTheFirstCopyIsLostThenRejectAndStopArrive)
{
    CliPeer& caller = Start(1);
    CliPeer& callee = Start(2);
    EnterAll({&caller, &callee});

    // Exactly the first copy is lost: the callee drops what the caller sends until the
    // counter shows one datagram, then lets everything through again.
    ASSERT_TRUE(BlockFrom(callee.Host(), caller.Address()));
    const qint64 sentAt = CliPeer::Now();
    EXPECT_EQ(caller.Call("RequestVoIP", Args({callee.Address(), 5060, true, 0}))["result"], 0);
    const bool dropped = WaitUntil([&] { return Blocked(callee.Host()) >= 1; }, 1500);
    EXPECT_EQ(Blocked(callee.Host()), 1);
    Unblock(callee.Host());
    ASSERT_TRUE(dropped) << "the request never reached the callee's filter";

    const PeerSettings me = SettingsFor(caller.Host());
    const int at = callee.WaitForEvent(
        "VoIPRequestReceived",
        [&](const QJsonArray& a) {
            return a == Args({caller.Address(), me.Aliase, 5060, 1, 0});
        },
        XmlResendMs * 10);
    ASSERT_GE(at, 0) << callee.Diagnostics().toStdString();
    const qint64 after = callee.Lines()[static_cast<size_t>(at)].AtMs - sentAt;
    // Qt timers of the default (coarse) kind may fire up to 5% early; how late the resend
    // comes on a busy machine is no fault of the product.
    EXPECT_GE(after, XmlResendMs * 95 / 100 - 50) << "arrived before any resend was due";

    // The callee refuses; the caller hears of it.
    ASSERT_TRUE(callee.Call("RejectVoIP", Args({caller.Address()}))["ok"].toBool());
    EXPECT_GE(
        caller.WaitForEvent("VoIPRejectReceived",
                            [&](const QJsonArray& a) { return a == Args({callee.Address()}); }),
        0)
        << caller.Diagnostics().toStdString();
    // The caller withdraws (its resend wait has long run out, so it is not busy).
    ASSERT_TRUE(caller.Call("StopRequestVoIP", Args({callee.Address()}))["ok"].toBool());
    EXPECT_GE(
        callee.WaitForEvent("VoIPRequestStopReceived",
                            [&](const QJsonArray& a) { return a == Args({caller.Address()}); }),
        0)
        << callee.Diagnostics().toStdString();

    EXPECT_EQ(callee.Events("VoIPRequestReceived").size(), 1u) << "one copy lost, one delivered";
    EXPECT_TRUE(caller.Boxes().empty()) << caller.Diagnostics().toStdString();
    EXPECT_TRUE(callee.Boxes().empty()) << callee.Diagnostics().toStdString();
}

} // namespace
