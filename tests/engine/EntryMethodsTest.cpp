// What Entry, ReEntry, UpdatePresense and Drop send, and where.
#include "MemberTestSupport.h"
#include "engine/PacketCodec.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <vector>

namespace
{

constexpr int Port = 2425;

TEST(EngineMethods, AnnouncementsGoToEveryBroadcastAddress)
{
    struct Case {
        const char* what;
        std::function<void(ProtocolEngine&)> action;
        int skip; // datagrams sent before the ones looked at
        QStringList sent;
    };
    const char* const all[] = {"255.255.255.255:2425", "10.0.0.255:2425", "10.1.255.255:2425"};
    auto toAll = [&](const char* bytes) {
        QStringList lines;
        for (const char* to : all)
            lines << QStringLiteral("%1 %2").arg(to, bytes);
        return lines;
    };
    const auto away = [](ProtocolEngine& e) { e.UpdatePresense(0, "Lunch", "Back at one"); };
    const Case cases[] = {
        {"entry", [](ProtocolEngine&) {}, 0, toAll("1:101:myuser:myhost:1:me|A|B|")},
        {"re-entry while present", [](ProtocolEngine& e) { e.ReEntry(); }, 3,
         toAll("1:102:myuser:myhost:1:me|A|B|")},
        {"re-entry while away",
         [&](ProtocolEngine& e) {
             away(e);
             e.ReEntry();
         },
         6, toAll("1:103:myuser:myhost:257:me[Lunch]|A|B|")},
        {"away: directed copies without the group part",
         away,
         3,
         {"255.255.255.255:2425 1:102:myuser:myhost:260:me[Lunch]|A|B|",
          "10.0.0.255:2425 1:102:myuser:myhost:260:me[Lunch]|",
          "10.1.255.255:2425 1:102:myuser:myhost:260:me[Lunch]|"}},
        {"back",
         [](ProtocolEngine& e) { e.UpdatePresense(1, "", ""); },
         3,
         {"255.255.255.255:2425 1:102:myuser:myhost:4:me|A|B|",
          "10.0.0.255:2425 1:102:myuser:myhost:4:me|",
          "10.1.255.255:2425 1:102:myuser:myhost:4:me|"}},
        {"drop: the exit without a group part", [](ProtocolEngine& e) { e.Drop(); }, 3,
         toAll("1:102:myuser:myhost:2:me|")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineHarness h(EngineTiming{.DropWaitMs = 1});
        h.engine->Own().Groups = "A,B";
        h.engine->Own().BroadCastIPAddresses = "10.0.0.255, 10.1.255.255";
        h.engine->Entry("myhost", "myuser");
        c.action(*h.engine);
        EXPECT_EQ(RawSent(h).mid(c.skip), c.sent);
    }
}

TEST(EngineMethods, DropClosesTheSocketAfterTheExitAndEntryOpensANewOne)
{
    EngineHarness h(EngineTiming{.DropWaitMs = 1});
    h.Enter();
    h.engine->Drop();
    EXPECT_FALSE(h.engine->IsEntered());
    EXPECT_EQ(Sent(h), QStringList({"255.255.255.255:2425 0x2 me"}));
    h.sent.clear();
    h.engine->Drop(); // without a socket nothing is sent
    h.engine->ReEntry();
    EXPECT_TRUE(h.sent.empty());
    EXPECT_TRUE(h.engine->Entry("myhost", "myuser").Ok);
    EXPECT_TRUE(h.engine->IsEntered());
    EXPECT_NE(h.Socket, nullptr);
    EXPECT_EQ(h.sent.size(), 1u);
}

TEST(EngineMethods, EntryFailuresAreReportedAndRecoverable)
{
    {
        SCOPED_TRACE("the port cannot be opened");
        EngineHarness h;
        h.SocketOpens = false;
        const ProtocolEngine::EntryResult failed = h.engine->Entry("myhost", "myuser");
        EXPECT_FALSE(failed.Ok);
        EXPECT_TRUE(failed.SocketFailed);
        EXPECT_EQ(failed.Error, 98);
        EXPECT_FALSE(h.engine->IsEntered());
        EXPECT_TRUE(h.sent.empty());
        h.SocketOpens = true; // the next Entry tries again
        EXPECT_TRUE(h.engine->Entry("myhost", "myuser").Ok);
        EXPECT_TRUE(h.engine->IsEntered());
        EXPECT_EQ(h.sent.size(), 1u);
    }
    {
        SCOPED_TRACE("the broadcast fails");
        EngineHarness h;
        h.engine->Own().BroadCastIPAddresses = "10.0.0.255";
        h.Enter();
        h.Socket->FailBroadcast = true;
        const ProtocolEngine::EntryResult failed = h.engine->Entry("myhost", "myuser");
        EXPECT_FALSE(failed.Ok);
        EXPECT_FALSE(failed.SocketFailed);
        EXPECT_EQ(failed.Error, 101);
        EXPECT_TRUE(h.sent.empty()); // no directed copies after a failed broadcast
        EXPECT_TRUE(h.engine->IsEntered());
    }
}

TEST(EngineMethods, EveryPacketTakesTheNextNumber)
{
    EngineHarness h;
    h.engine->Own().BroadCastIPAddresses = "10.0.0.255";
    h.engine->Entry("myhost", "myuser");
    h.ReceivePacket("10.0.0.2", Port, CMD_ENTRY, "Taro");
    h.ReceivePacket("10.0.0.2", Port, CMD_GET_INFO, "Taro");
    std::vector<int32_t> numbers;
    for (std::size_t i = 0; i < h.sent.size(); ++i)
        numbers.push_back(h.SentPacket(i).PacketNo);
    // The broadcast and its directed copy are one packet.
    EXPECT_EQ(numbers, std::vector<int32_t>({101, 101, 102, 103, 104}));
}

} // namespace
