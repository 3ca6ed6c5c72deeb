// Host lists of an Exchange Server: the parser, and the entries the engine makes of them.
#include "engine/HostList.h"

#include "MemberTestSupport.h"
#include "engine/PacketCodec.h"
#include "engine/SocketAddress.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QStringList>

#include <memory>

namespace
{

QByteArray Fields(std::initializer_list<QByteArray> fields)
{
    QByteArray text;
    for (const QByteArray& f : fields)
        text += f + '\a';
    return text;
}

const QByteArray TaroEntry =
    Fields({"taro", "hostA", "257", "10.0.0.5", "2425", "Taro[Meeting]", "Sales,Dev"});
const QByteArray HanakoEntry = Fields({"\b", "hostB", "1", "10.0.0.6", "9999", "Hanako", "\b"});
const QByteArray SmallEntry = Fields({"u", "h", "1", "10.0.0.5", "1", "n", "g"});

// An engine that uses the host list of the server(s) `servers` enters, and `from` answers
// with the list `extra`.
void ListArrives(EngineHarness& h, const QByteArray& from, const QByteArray& extra,
                 const char* servers = "10.0.0.9", int32_t useHostlist = 1)
{
    h.engine->Own().UseHostlist = useHostlist;
    h.engine->Own().BroadCastIPAddresses = servers; // our entry goes to the server
    h.Enter();
    h.Receive(from, 5000, BuildPacket({500, "srv", "srvhost"}, CMD_ANSWER_LIST, extra));
    Drain(h);
}

TEST(ParseHostList, ContinuationFigures)
{
    struct Case {
        const char* what;
        QByteArray extra;
        bool valid;
        std::size_t entries;
        bool more;
        int32_t start;
    };
    const Case cases[] = {
        {"all there", Fields({"    0", "    2"}) + TaroEntry + HanakoEntry, true, 2, false, 0},
        {"server goes on", Fields({"40", "2"}) + TaroEntry + HanakoEntry, true, 2, true, 40},
        {"fewer than the total", Fields({"0", "5"}) + TaroEntry + HanakoEntry, true, 2, true, 3},
        {"both", Fields({"10", "50"}) + TaroEntry + HanakoEntry, true, 2, true, 38},
        {"incomplete entry stops", Fields({"0", "3"}) + TaroEntry + Fields({"jiro", "hostC", "1"}),
         true, 1, true, 2},
        {"cut right after a BEL: the group is missing",
         Fields({"0", "1"}) + Fields({"taro", "hostA", "1", "10.0.0.5", "2425", "Taro"}), true, 0,
         true, 1},
        {"last field without its BEL", Fields({"0", "1"}) + TaroEntry.chopped(1), true, 1, false,
         0},
        {"empty list", Fields({"0", "0"}), true, 0, false, 0},
        {"256 at most", Fields({"0", "300"}) + SmallEntry.repeated(300), true, 256, true, 44},
        {"numbers read like atoi", Fields({" 7x", "+3"}), true, 0, true, 4},
        {"negative start is turned round", Fields({"-5", "0"}), true, 0, true, 5},
        {"huge figures", Fields({"2147483647", "-2147483648"}), true, 0, true, 2147483647},
        {"empty fields as numbers", Fields({"\b", "\b"}) + TaroEntry, true, 1, false, 1},
        {"no total", Fields({"0"}), false, 0, false, 0},
        {"no total, no BEL", "0", false, 0, false, 0},
        {"nothing", "", false, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HostListAnswer answer = ParseHostList(c.extra);
        EXPECT_EQ(answer.Valid, c.valid);
        EXPECT_EQ(answer.Entries.size(), c.entries);
        EXPECT_EQ(answer.RequestMore, c.more);
        if (c.more) {
            EXPECT_EQ(answer.StartNo, c.start);
        }
    }
}

TEST(ParseHostList, EntryFields)
{
    const QByteArray longName(200, 'u');
    const QByteArray kanji = Cp932::FromUnicode(u"漢");
    const HostListAnswer answer = ParseHostList(
        Fields({"0", "3"}) + TaroEntry + HanakoEntry +
        Fields({longName, "x" + kanji.repeated(70), " 65793", "10.0.0.7", "\b", "\b\b", "a\bb"}));
    ASSERT_EQ(answer.Entries.size(), 3u);
    struct Expect {
        QByteArray user, host;
        int32_t command;
        QByteArray address;
        int32_t port;
        QByteArray nick, group;
    };
    const Expect expects[] = {
        {"taro", "hostA", 257, "10.0.0.5", 2425, "Taro[Meeting]", "Sales,Dev"},
        {"", "hostB", 1, "10.0.0.6", 9999, "Hanako", ""}, // a lone 0x08 is an empty field
        {QByteArray(127, 'u'), "x" + kanji.repeated(63), 65793, "10.0.0.7", 0, "\b\b", "a\bb"},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const HostListEntry& got = answer.Entries[i];
        const Expect& e = expects[i];
        EXPECT_EQ(got.UserName, e.user);
        EXPECT_EQ(got.HostName, e.host);
        EXPECT_EQ(got.Command, e.command);
        EXPECT_EQ(got.IPAddress, e.address);
        EXPECT_EQ(got.PortNo, e.port);
        EXPECT_EQ(got.NickName, e.nick);
        EXPECT_EQ(got.GroupName, e.group);
    }
}

TEST(ParseHostList, ReadsNoMoreThan8191Bytes)
{
    const QByteArray head = Fields({"0", "1"}) + Fields({"u", "h", "1", "10.0.0.5", "2425", "n"});
    const QByteArray extra = head + QByteArray(9000, 'g') + '\a';
    const HostListAnswer answer = ParseHostList(extra);
    ASSERT_EQ(answer.Entries.size(), 1u);
    EXPECT_EQ(answer.Entries[0].GroupName.size(), 8191 - head.size());
}

TEST(HostListHandler, EveryHostIsTakenAsAnEntryAndTheRestIsAskedFor)
{
    EngineHarness h;
    h.engine->Own().Groups = "A,B";
    ListArrives(h, "10.0.0.9", Fields({"    0", "    5"}) + TaroEntry + HanakoEntry);
    EXPECT_EQ(Sent(h), QStringList({
                           "10.0.0.9:5000 0x12 3", // back to where the list came from
                           "10.0.0.5:2425 0x3 me|A",
                           "10.0.0.5:2425 0x40 me",
                           "10.0.0.6:2425 0x3 me|A", // at our port, not the listed 9999
                           "10.0.0.6:2425 0x40 me",
                       }));
    EXPECT_EQ(h.events.Lines,
              QStringList({"MemberAdded 10.0.0.5:2425 exist=0 loc=Meeting alias=Taro "
                           "host=hostA user=taro groups=Sales app=",
                           "MemberAdded 10.0.0.6:2425 exist=1 loc= alias=Hanako host=hostB "
                           "user= groups= app="}));
}

// Names in the list would each be a blocking lookup on the component's thread, and a
// broadcast address would answer many: only dotted IPv4 addresses of one host are taken,
// the rest are skipped but still counted for the server's paging.
TEST(HostListHandler, OnlyDottedAddressesAreTaken)
{
    std::vector<QByteArray> skipped = {
        "localhost",   "example.com",     "10.0.0.5 ",  " 10.0.0.5", "010.0.0.5",
        "10.0.0",      "10.0.0.256",      "0x0a.0.0.5", "::1",       "",
        "0.0.0.0",     "255.255.255.255", "127.0.0.1",  "224.0.0.1", "240.0.0.1",
        "10.1.255.255"};
    for (const in_addr& address : InterfaceBroadcastAddresses())
        skipped.push_back(DottedAddress(address));
    QByteArray list = Fields({"0", QByteArray::number(skipped.size() + 1)});
    for (const QByteArray& address : skipped)
        list += Fields({"u", "h", "1", address, "2425", "Ghost", "\b"});
    list += Fields({"u", "h", "1", "10.0.0.6", "2425", "Hanako", "\b"});

    EngineHarness h;
    ListArrives(h, "10.0.0.9", list, "10.0.0.9,10.1.255.255");
    // All were read, so nothing more is asked for; only the one address is answered.
    EXPECT_EQ(Sent(h), QStringList({"10.0.0.6:2425 0x3 me", "10.0.0.6:2425 0x40 me"}));
    ASSERT_EQ(h.engine->Members().size(), 1u);
    EXPECT_NE(h.engine->Members().Find("10.0.0.6"), nullptr);
}

TEST(HostListHandler, NothingIsTakenOrAnswered)
{
    struct Case {
        const char* what;
        int32_t useHostlist;
        QByteArray extra;
        QByteArray from = "10.0.0.9";
    };
    const Case cases[] = {
        {"host list not in use", 0, Fields({"0", "5"}) + TaroEntry},
        {"no total", 1, Fields({"0"})},
        {"from a host this copy did not ask", 1, Fields({"0", "5"}) + TaroEntry, "10.0.0.8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineHarness h;
        ListArrives(h, c.from, c.extra, "10.0.0.9", c.useHostlist);
        EXPECT_TRUE(h.sent.empty());
        EXPECT_TRUE(h.engine->Members().empty());
    }
}

} // namespace
