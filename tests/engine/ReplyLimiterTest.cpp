// The budget of automatic replies per source address, alone and in the engine.
#include "engine/ReplyLimiter.h"

#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

TEST(ReplyLimiter, BurstThenRefillPerAddressInABoundedTable)
{
    ReplyLimiter limiter({3, 100, 2});
    const auto takes = [&](const QByteArray& address, int64_t now, int times) {
        int allowed = 0;
        for (int i = 0; i < times; ++i)
            allowed += limiter.Allow(address, now) ? 1 : 0;
        return allowed;
    };
    EXPECT_EQ(takes("10.0.0.1", 0, 10), 3);   // the burst, then nothing
    EXPECT_EQ(takes("10.0.0.2", 0, 10), 3);   // another address has its own
    EXPECT_EQ(takes("10.0.0.1", 250, 10), 2); // two refills in 250 ms
    EXPECT_EQ(takes("10.0.0.1", 299, 10), 0); // the half token does not count yet
    EXPECT_EQ(takes("10.0.0.1", 300, 10), 1);
    EXPECT_EQ(takes("10.0.0.3", 300, 1), 1);  // the table is full: 10.0.0.2 is forgotten
    EXPECT_EQ(limiter.Tracked(), 2u);
    EXPECT_EQ(takes("10.0.0.1", 300, 1), 0) << "the address heard from lately is kept";
}

// A flood from one address, perhaps forged, gets no more than its budget of answers; a
// member's own messages still get their receipt and absence reply each.
TEST(RepliesPerSource, AFloodGetsItsBudgetAndNoMore)
{
    const QByteArray from = "10.0.0.2";
    struct Case {
        const char* what;
        bool entered; // the sender answered our entry first (one reply: our request)
        std::function<void(EngineHarness&)> flood;
        std::size_t replies;
    };
    const Case cases[] = {
        {"entries", false,
         [&](EngineHarness& h) { h.ReceivePacket(from, 2425, CMD_ENTRY, "x"); }, 5},
        {"messages from a stranger", false,
         [&](EngineHarness& h) { h.ReceivePacket(from, 2425, CMD_SEND_MESSAGE, "hi"); }, 5},
        {"information requests", true,
         [&](EngineHarness& h) { h.ReceivePacket(from, 2425, CMD_GET_INFO, "x"); }, 5},
        {"absence requests", true,
         [&](EngineHarness& h) { h.ReceivePacket(from, 2425, CMD_GET_ABSENCE_INFO, "x"); }, 5},
        {"messages from a member", true,
         [&](EngineHarness& h) {
             h.ReceivePacket(from, 2425, CMD_SEND_MESSAGE | OPT_SEND_CHECK, "hi");
         },
         1 + 50 * 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineHarness h({}, {5, 0, 16}); // never refilled
        h.Enter();
        h.engine->UpdatePresense(0, "Lunch", "away");
        if (c.entered)
            h.ReceivePacket(from, 2425, CMD_ANSWER_ENTRY, "x");
        for (int i = 0; i < 50; ++i)
            c.flood(h);
        const auto to = [&](const QByteArray& host) {
            return std::count_if(h.sent.begin(), h.sent.end(),
                                 [&](const SentDatagram& d) { return d.Host == host; });
        };
        EXPECT_EQ(static_cast<std::size_t>(to(from)), c.replies);
        h.ReceivePacket("10.0.0.3", 2425, CMD_ENTRY, "y");
        EXPECT_EQ(to("10.0.0.3"), 2) << "another address is answered as before";
    }
}
