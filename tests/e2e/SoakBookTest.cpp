// How the soak decides which receipt ended a wait; no LAN needed.
#include "SoakBook.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace
{

WireEvent Out(int message, uint32_t packetNo)
{
    return {WireEvent::Sent, packetNo, message};
}

WireEvent In(uint32_t packetNo)
{
    return {WireEvent::Receipt, packetNo, -1};
}

// Not named Soak*: it runs with the quick cases, not in the soak's CTest entry.
TEST(ReceiptEndingEachWait, WaitsAndTheReceiptsThatEndedThem)
{
    struct Case {
        const char* what;
        std::vector<WireEvent> events;
        std::set<int> noticed;
        std::map<int, uint32_t> enders;
    };
    const Case cases[] = {
        {"each receipt ends its own message's wait",
         {Out(0, 101), In(101), Out(1, 102), In(102)},
         {},
         {{0, 101}, {1, 102}}},
        // The case a count by time alone calls "silently lost": message 1 was lost, and
        // the late receipt of message 0 ended its wait, so no notice was due.
        {"a late receipt ends the next message's wait",
         {Out(0, 101), Out(1, 102), In(101)},
         {0},
         {{1, 101}}},
        {"a wait that nothing ended", {Out(0, 101), Out(1, 102)}, {}, {}},
        {"a receipt read after the notice ends nothing",
         {Out(0, 101), In(101), Out(1, 102), In(102)},
         {0},
         {{1, 102}}},
        {"a receipt just before the next message, read after it",
         {Out(0, 101), In(101), Out(1, 102)},
         {0},
         {{1, 101}}},
        {"an early receipt ends only the wait right after it",
         {Out(0, 101), In(101), Out(1, 102), Out(2, 103)},
         {0, 1},
         {}},
        {"receipts while nothing waits are ignored",
         {In(99), Out(0, 101), In(101), In(100), Out(1, 102), In(102)},
         {},
         {{0, 101}, {1, 102}}},
    };
    for (const Case& c : cases) {
        const QHash<int, uint32_t> enders = ReceiptEndingEachWait(
            c.events, [&](int message) { return c.noticed.count(message) > 0; });
        const std::map<int, uint32_t> got(enders.keyValueBegin(), enders.keyValueEnd());
        EXPECT_EQ(got, c.enders) << c.what;
    }
}

} // namespace
