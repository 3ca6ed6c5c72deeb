// Entry, exit and presence and the information and mail exchange that follows an entry,
// seen from outside: datagrams in, events and datagrams out.
#include "MemberTestSupport.h"
#include "engine/PacketCodec.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <functional>
#include <utility>

namespace
{

constexpr int Port = 2425;

// An entered engine that knows 10.0.0.1 (Taro) and 10.0.0.2 (Hanako), in that order,
// both asked for their information but not yet answered.
void AddTwoMembers(EngineHarness& h)
{
    h.ReceivePacket("10.0.0.1", Port, CMD_ANSWER_ENTRY, "Taro");
    h.ReceivePacket("10.0.0.2", Port, CMD_ANSWER_ENTRY, "Hanako");
    Forget(h);
}

TEST(EntryHandler, PacketsFromAnotherPortAreIgnored)
{
    for (int32_t command : {CMD_ENTRY, CMD_ANSWER_ENTRY}) {
        SCOPED_TRACE(command);
        EngineHarness h;
        h.Enter();
        h.ReceivePacket("10.0.0.2", Port + 1, command, "Taro", "A");
        h.ReceivePacket("10.0.0.3", 0, command, "Jiro");
        EXPECT_TRUE(h.sent.empty());
        EXPECT_TRUE(h.events.Lines.isEmpty());
        EXPECT_TRUE(h.engine->Members().empty());
    }
}

TEST(EntryHandler, ExtraGivesAliasAndPresence)
{
    const QByteArray meeting = Cp932::FromUnicode(u"ミーティング"); // "ー" ends in 0x5B
    const QByteArray yamada = Cp932::FromUnicode(u"山田ー");
    struct Case {
        int32_t command;
        QByteArray extra;
        QByteArray alias;
        int32_t exist;
        QByteArray location;
    };
    const Case cases[] = {
        {0x101, "Taro[Meeting]", "Taro", 0, "Meeting"},
        {0x103, "Taro[Meeting]", "Taro", 0, "Meeting"},
        {0x101, "Taro[]", "Taro", 0, ""},
        {0x101, "Taro", "Taro", 0, ""},
        {0x1, "Taro[Meeting]", "Taro", 1, ""}, // brackets of a present peer mean nothing
        {0x3, "Taro[]", "Taro", 1, ""},
        {0x101, "Taro[Meeting]room]", "Taro", 0, "Meeting"},
        {0x101, "a]b[c]", "a]b", 0, "c"},
        {0x101, "Taro[Lost its bracket", "Taro", 0, "Lost its bracket"},
        {0x101, "[Meeting]", "", 0, "Meeting"},
        {0x101, "Taro[" + QByteArray(80, 'x') + "]", "Taro", 0, QByteArray(63, 'x')},
        // Second bytes of double-byte characters are never taken for brackets.
        {0x101, yamada + "[" + meeting + "]", yamada, 0, meeting},
        {0x1, meeting, meeting, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra.toHex().toStdString());
        EngineHarness h;
        h.Enter();
        h.ReceivePacket("10.0.0.2", Port, c.command, c.extra, "A,B");
        ASSERT_EQ(h.events.Added.size(), 1u);
        const MemberRecord& added = h.events.Added[0];
        EXPECT_EQ(added.Aliase, c.alias);
        EXPECT_EQ(added.Exist, c.exist);
        EXPECT_EQ(added.Location, c.location);
        EXPECT_EQ(added.GroupNames, "A,B");
        EXPECT_EQ(added.UserName, "user");
        EXPECT_EQ(added.HostName, "host");
        EXPECT_EQ(added.IPAddress, "10.0.0.2");
        EXPECT_EQ(added.PortNo, Port);
    }
}

TEST(EntryHandler, LongAndJapaneseTextsAreCutOnCharacterBoundaries)
{
    const QByteArray kanji = Cp932::FromUnicode(u"漢");
    ASSERT_EQ(kanji.size(), 2);
    const QByteArray taro = Cp932::FromUnicode(u"山田太郎");
    struct Case {
        QByteArray alias;
        QByteArray kept;
    };
    const Case cases[] = {
        {taro, taro},
        {"a" + kanji.repeated(99) + "b", "a" + kanji.repeated(63)}, // 200 bytes, 127 kept
        {kanji.repeated(100), kanji.repeated(63)}, // 127 would split the 64th kanji
        {QByteArray(200, 'x'), QByteArray(127, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alias.size());
        EngineHarness h;
        h.Enter();
        h.ReceivePacket("10.0.0.2", Port, CMD_ENTRY, c.alias);
        ASSERT_EQ(h.events.Added.size(), 1u);
        EXPECT_EQ(h.events.Added[0].Aliase, c.kept);
    }
}

TEST(EntryHandler, GroupNamesAreTheFirstGroupOnlyWhileTheHostListIsUsed)
{
    struct Case {
        int32_t useHostlist;
        std::optional<QByteArrayView> groupPart;
        QByteArray groups;
    };
    const QByteArray manyGroups(200, 'g');
    // 品質保証部 would end at byte 131: the record keeps the names before it, whole.
    const QByteArray jp = Cp932::FromUnicode(u"開発部,営業部,総務部,").repeated(5) +
                          Cp932::FromUnicode(u"企画部,経理部,品質保証部,製造部");
    const QByteArray jpWire = QByteArray(jp).replace(',', '\0'); // NULs between names
    const QByteArray jpKept = Cp932::FromUnicode(u"開発部,営業部,総務部,").repeated(5) +
                              Cp932::FromUnicode(u"企画部,経理部");
    const QByteArray a126B = QByteArray(126, 'a') + QByteArray("\0B", 2);
    const QByteArray a125B = QByteArray(125, 'a') + QByteArray("\0B", 2);
    const QByteArray a125BC = QByteArray(125, 'a') + QByteArray("\0BC", 3);
    const Case cases[] = {
        {0, QByteArrayView("Sales\0Dev", 9), "Sales,Dev"},
        {1, QByteArrayView("Sales\0Dev", 9), "Sales"},
        {1, QByteArrayView("Sales"), "Sales"},
        {0, std::nullopt, ""},
        {0, QByteArrayView(manyGroups), QByteArray(127, 'g')}, // one name: cut, as it must
        {0, QByteArrayView(a126B), QByteArray(126, 'a')},
        {0, QByteArrayView(a125B), QByteArray(125, 'a') + ",B"},
        {0, QByteArrayView(a125BC), QByteArray(125, 'a')},
        {0, QByteArrayView(jpWire), jpKept},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.groups.toStdString());
        EngineHarness h;
        h.engine->Own().UseHostlist = c.useHostlist;
        h.Enter();
        h.ReceivePacket("10.0.0.2", Port, CMD_ENTRY, "Taro", c.groupPart);
        ASSERT_EQ(h.events.Added.size(), 1u);
        EXPECT_EQ(h.events.Added[0].GroupNames, c.groups);
    }
}

TEST(EntryHandler, OnlyAnEntryIsAnsweredAndEveryNewcomerIsAskedForItsInformation)
{
    struct Case {
        const char* what;
        bool weAreAway;
        int32_t command;
        QStringList sent;
    };
    const Case cases[] = {
        {"entry while present", false, 0x1, {"10.0.0.2:2425 0x3 me|A,B", "10.0.0.2:2425 0x40 me"}},
        {"entry while away",
         true,
         0x101,
         {"10.0.0.2:2425 0x103 me[Lunch]|A,B", "10.0.0.2:2425 0x40 me"}},
        {"answer", false, 0x3, {"10.0.0.2:2425 0x40 me"}},
        {"answer while away", true, 0x103, {"10.0.0.2:2425 0x40 me"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineHarness h;
        h.engine->Own().Groups = "A,B";
        h.Enter();
        if (c.weAreAway)
            h.engine->UpdatePresense(0, "Lunch", "");
        h.sent.clear();
        h.ReceivePacket("10.0.0.2", Port, c.command, "Taro");
        EXPECT_EQ(Sent(h), c.sent);
        EXPECT_EQ(h.events.Lines.size(), 1);
    }
}

TEST(EntryHandler, KnownMemberIsReplacedKeepingWhatItToldUs)
{
    struct Case {
        const char* what;
        bool appInfoKnown;
        int32_t command;
        QStringList sent; // by the second entry
    };
    const Case cases[] = {
        {"entry, AppInfo known: answered only", true, 0x101, {"10.0.0.1:2425 0x3 me"}},
        {"answer, AppInfo known: silent", true, 0x103, {}},
        {"entry, no AppInfo yet: asked again",
         false,
         0x101,
         {"10.0.0.1:2425 0x3 me", "10.0.0.1:2425 0x40 me"}},
        {"answer, no AppInfo yet: asked again", false, 0x103, {"10.0.0.1:2425 0x40 me"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineHarness h;
        h.Enter();
        AddTwoMembers(h);
        if (c.appInfoKnown)
            h.ReceivePacket("10.0.0.1", Port, 0x2041, "Palavo XP 1.0");
        h.ReceivePacket("10.0.0.1", Port, CMD_SEND_MAIL, "taro@example.com");
        Forget(h);

        h.ReceivePacket("10.0.0.1", Port, c.command, "Jiro[Away]", "B");
        EXPECT_EQ(Sent(h), c.sent);
        EXPECT_TRUE(h.events.Lines.isEmpty()); // a refresh of a known member is no news
        EXPECT_EQ(Order(h), QStringList({"10.0.0.2", "10.0.0.1"}));
        const MemberRecord* m = h.engine->Members().Find("10.0.0.1");
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->Aliase, "Jiro");
        EXPECT_EQ(m->Exist, 0);
        EXPECT_EQ(m->Location, "Away");
        EXPECT_EQ(m->GroupNames, "B");
        EXPECT_EQ(m->MailAddress, "taro@example.com");
        EXPECT_EQ(m->AppInfo, c.appInfoKnown ? "Palavo XP 1.0" : "");
    }
}

TEST(EntryHandler, AFullTableTurnsNewcomersAwayUntilSomebodyLeaves)
{
    EngineHarness h;
    h.Enter();
    for (std::size_t i = 0; i < MemberTable::MaxMembers; ++i)
        h.ReceivePacket("10.0." + QByteArray::number(i >> 8) + '.' + QByteArray::number(i & 255),
                        Port, CMD_ANSWER_ENTRY, "m");
    Forget(h);
    h.ReceivePacket("10.1.0.1", Port, CMD_ENTRY, "late");
    EXPECT_TRUE(h.sent.empty() && h.events.Lines.isEmpty()); // neither taken nor answered
    h.ReceivePacket("10.0.0.1", Port, CMD_EXIT, "");
    h.ReceivePacket("10.1.0.1", Port, CMD_ENTRY, "late");
    EXPECT_NE(h.engine->Members().Find("10.1.0.1"), nullptr);
}

TEST(EntryHandler, OurOwnBroadcastComingBackAddsOurselves)
{
    EngineHarness h;
    h.engine->Entry("myhost", "myuser");
    const QByteArray own = h.sent.at(0).Bytes;
    h.sent.clear();
    h.Receive("192.168.1.10", Port, own);
    EXPECT_EQ(Sent(h), QStringList({"192.168.1.10:2425 0x3 me", "192.168.1.10:2425 0x40 me"}));
    EXPECT_EQ(h.events.Lines,
              QStringList({"MemberAdded 192.168.1.10:2425 exist=1 loc= alias=me host=myhost "
                           "user=myuser groups= app="}));
}

TEST(MemberHandlers, PacketsAboutStrangersAreDropped)
{
    struct Case {
        int32_t command;
        const char* extra;
    };
    const Case cases[] = {
        {0x4, "Jiro"},
        {0x104, "Jiro[Lunch]"},
        {0x51, "Jiro[Not absence mode]"},
        {0x151, "Jiro[Home]"},
        {0x2, "Jiro"},
        {0x40, "Jiro"},
        {0x2041, "Palavo XP"},
        {0x48, "Jiro"},
        {0x49, "jiro@example.com"},
        {0x50, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EngineHarness h;
        h.Enter();
        AddTwoMembers(h);
        h.ReceivePacket("10.0.0.9", Port, c.command, c.extra);
        EXPECT_TRUE(h.sent.empty());
        EXPECT_TRUE(h.events.Lines.isEmpty());
        EXPECT_EQ(Order(h), QStringList({"10.0.0.1", "10.0.0.2"}));
        EXPECT_EQ(h.engine->Members().Find("10.0.0.1")->Aliase, "Taro");
    }
}

TEST(MemberHandlers, UpdatesMoveTheMemberToTheEndAndQuestionsDoNot)
{
    struct Case {
        int32_t command;
        const char* extra;
        QStringList order;
        QStringList lines;
    };
    const QStringList moved = {"10.0.0.2", "10.0.0.1"};
    const QStringList stays = {"10.0.0.1", "10.0.0.2"};
    const Case cases[] = {
        {0x104, "Other[Lunch]", moved, {"PresenseNotified 10.0.0.1 exist=0 loc=Lunch"}},
        {0x4, "Other[Lunch]", moved, {"PresenseNotified 10.0.0.1 exist=1 loc="}},
        {0x151, "Taro[Home]", moved, {"PresenseNotified 10.0.0.1 exist=0 loc=Home"}},
        {0x51, "Taro[Not absence mode]", moved, {"PresenseNotified 10.0.0.1 exist=1 loc="}},
        {0x49, "taro@example.com", moved, {}},
        {0x2041,
         "Palavo XP 1.0",
         moved,
         {"MemberAdded 10.0.0.1:2425 exist=1 loc= alias=Taro host=host user=user groups= "
          "app=Palavo XP 1.0"}},
        {0x40, "Taro", stays, {}},
        {0x48, "Taro", stays, {}},
        {0x50, "", stays, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EngineHarness h;
        h.Enter();
        AddTwoMembers(h);
        h.ReceivePacket("10.0.0.1", Port, c.command, c.extra);
        EXPECT_EQ(Order(h), c.order);
        EXPECT_EQ(h.events.Lines, c.lines);
        // The presence packet changes presence only, whatever alias it carries.
        EXPECT_EQ(h.engine->Members().Find("10.0.0.1")->Aliase, "Taro");
    }
}

TEST(MemberHandlers, QuestionsAreAnsweredAtTheMembersOwnPort)
{
    struct Case {
        int32_t command;
        bool weAreAway;
        QStringList sent;
    };
    const Case cases[] = {
        {0x40, false, {"10.0.0.1:2425 0x2041 Palavo XP 1.0.0"}},
        {0x48, false, {"10.0.0.1:2425 0x49 me@example.com"}},
        {0x2041, false, {"10.0.0.1:2425 0x48 me"}},
        {0x50, false, {"10.0.0.1:2425 0x51 me[Not absence mode]"}},
        {0x50, true, {"10.0.0.1:2425 0x151 me[Lunch]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EngineHarness h;
        h.engine->Own().ApplicationName = "Palavo XP";
        h.engine->Own().ApplicationVersion = "1.0.0";
        h.engine->Own().MailAddress = "me@example.com";
        h.Enter();
        AddTwoMembers(h);
        if (c.weAreAway)
            h.engine->UpdatePresense(0, "Lunch", "");
        h.sent.clear();
        // The question comes from another port; the answer goes where the member lives.
        h.ReceivePacket("10.0.0.1", 5000, c.command, "Taro");
        EXPECT_EQ(Sent(h), c.sent);
    }
}

TEST(MemberHandlers, ExitRemovesTheMemberOnce)
{
    EngineHarness h;
    h.Enter();
    AddTwoMembers(h);
    h.ReceivePacket("10.0.0.1", Port, CMD_EXIT, "Taro");
    h.ReceivePacket("10.0.0.1", Port, CMD_EXIT, "Taro");
    EXPECT_EQ(h.events.Lines, QStringList({"MemberDeleted 10.0.0.1"}));
    EXPECT_EQ(Order(h), QStringList({"10.0.0.2"}));
    EXPECT_TRUE(h.sent.empty());
}

TEST(MemberHandlers, ReEntryAndDropForgetMembersWithoutEvents)
{
    const std::function<void(ProtocolEngine&)> actions[] = {
        [](ProtocolEngine& e) { e.ReEntry(); },
        [](ProtocolEngine& e) { e.Drop(); },
    };
    for (const auto& action : actions) {
        EngineHarness h(EngineTiming{.DropWaitMs = 1});
        h.Enter();
        AddTwoMembers(h);
        action(*h.engine);
        EXPECT_TRUE(h.engine->Members().empty());
        EXPECT_TRUE(h.events.Lines.isEmpty());
    }
}

// Two engines wired back to back, each seeing the other's datagrams as they were sent.
struct Peer {
    explicit Peer(QByteArray address) : Address(std::move(address)) {}

    QByteArray Address;
    EngineHarness H;
    QStringList Received; // "0xcommand" of every datagram delivered to this engine
};

void Exchange(Peer& a, Peer& b)
{
    for (int round = 0; round < 20; ++round) {
        bool delivered = false;
        for (auto [from, to] : {std::pair(&a, &b), std::pair(&b, &a)}) {
            std::vector<SentDatagram> batch;
            batch.swap(from->H.sent);
            for (const SentDatagram& d : batch) {
                if (d.Host != to->Address && d.Host != "255.255.255.255")
                    continue;
                ASSERT_EQ(d.Port, Port);
                const ReceivedPacket p = ParsePacket(d.Bytes, {});
                to->Received << QStringLiteral("0x%1").arg(p.Command | p.Options, 0, 16);
                to->H.Receive(from->Address, Port, d.Bytes);
                delivered = true;
            }
        }
        if (!delivered)
            return;
    }
    FAIL() << "the engines never went quiet";
}

TEST(MemberHandlers, TwoEnginesLearnEverythingAboutEachOther)
{
    Peer a("10.0.0.1");
    Peer b("10.0.0.2");
    for (Peer* p : {&a, &b}) {
        OwnSettings& own = p->H.engine->Own();
        own.MyAliase = p == &a ? "Taro" : "Hanako";
        own.Groups = p == &a ? "Sales" : "Dev,Ops";
        own.ApplicationName = "Palavo XP";
        own.ApplicationVersion = p == &a ? "1.0" : "1.1";
        own.MailAddress = p == &a ? "taro@example.com" : "hanako@example.com";
    }
    b.H.engine->Entry("hostB", "hanako");
    b.H.sent.clear();
    ASSERT_TRUE(a.H.engine->Entry("hostA", "taro").Ok);
    Exchange(a, b);

    // Entry or answer, then information and mail in both directions, nothing more.
    a.Received.sort();
    b.Received.sort();
    EXPECT_EQ(b.Received, QStringList({"0x1", "0x2041", "0x40", "0x48", "0x49"}));
    EXPECT_EQ(a.Received, QStringList({"0x2041", "0x3", "0x40", "0x48", "0x49"}));

    struct Expect {
        Peer* at;
        const char* address;
        const char* alias;
        const char* user;
        const char* host;
        const char* groups;
        const char* app;
        const char* mail;
    };
    const Expect expects[] = {
        {&a, "10.0.0.2", "Hanako", "hanako", "hostB", "Dev,Ops", "Palavo XP 1.1",
         "hanako@example.com"},
        {&b, "10.0.0.1", "Taro", "taro", "hostA", "Sales", "Palavo XP 1.0", "taro@example.com"},
    };
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.address);
        const RecordingEvents& events = e.at->H.events;
        ASSERT_EQ(events.Added.size(), 2u); // on entry, then again with the information
        EXPECT_EQ(events.Lines.size(), 2);
        EXPECT_EQ(events.Added[0].AppInfo, "");
        EXPECT_EQ(events.Added[1].AppInfo, e.app);
        for (const MemberRecord& added : events.Added) {
            EXPECT_EQ(added.IPAddress, e.address);
            EXPECT_EQ(added.PortNo, Port);
            EXPECT_EQ(added.Aliase, e.alias);
            EXPECT_EQ(added.UserName, e.user);
            EXPECT_EQ(added.HostName, e.host);
            EXPECT_EQ(added.GroupNames, e.groups);
            EXPECT_EQ(added.Exist, 1);
        }
        ASSERT_EQ(e.at->H.engine->Members().size(), 1u);
        const MemberRecord* m = e.at->H.engine->Members().Find(e.address);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->AppInfo, e.app);
        EXPECT_EQ(m->MailAddress, e.mail);
        EXPECT_TRUE(m->IsProductPeer());
    }
}

TEST(MemberHandlers, JapaneseAliasReachesTheOtherSideWhole)
{
    Peer a("10.0.0.1");
    Peer b("10.0.0.2");
    const QByteArray alias = Cp932::FromUnicode(u"山田ー郎");
    const QByteArray location = Cp932::FromUnicode(u"会議室ソ");
    a.H.engine->Own().MyAliase = alias;
    b.H.engine->Entry("hostB", "hanako");
    b.H.sent.clear();
    a.H.engine->Entry("hostA", "taro");
    a.H.engine->UpdatePresense(0, location, "");
    Exchange(a, b);
    ASSERT_FALSE(b.H.events.Added.empty());
    EXPECT_EQ(b.H.events.Added[0].Aliase, alias);
    const MemberRecord* m = b.H.engine->Members().Find("10.0.0.1");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Aliase, alias);
    EXPECT_EQ(m->Exist, 0);
    EXPECT_EQ(m->Location, location);
}

TEST(ReplyLimiter, BurstThenRefillPerAddressInABoundedTable)
{
    ReplyLimiter limiter({3, 100, 2});
    const auto takes = [&](const char* address, int64_t now, int times) {
        int allowed = 0;
        while (times-- > 0)
            allowed += limiter.Allow(address, now);
        return allowed;
    };
    EXPECT_EQ(takes("10.0.0.1", 0, 10), 3);   // the burst, then nothing
    EXPECT_EQ(takes("10.0.0.2", 0, 10), 3);   // another address has its own
    EXPECT_EQ(takes("10.0.0.1", 299, 10), 2); // two refills; the third is not whole yet
    EXPECT_EQ(takes("10.0.0.1", 300, 10), 1);
    EXPECT_EQ(takes("10.0.0.3", 300, 1), 1); // the table is full: 10.0.0.2 is forgotten,
    EXPECT_EQ(takes("10.0.0.1", 300, 1), 0); // the address heard from lately is kept
}

// Fifty packets from one address, perhaps forged, get no more than its budget of five
// answers (never refilled here); a member's messages still get a receipt and an absence
// reply each. The sender that answered our entry gets one reply first: our request.
TEST(RepliesPerSource, AFloodGetsItsBudgetAndNoMore)
{
    const struct {
        bool entered;
        int32_t command;
        long replies;
    } cases[] = {{false, CMD_ENTRY, 5},
                 {false, CMD_SEND_MESSAGE, 5}, // introduction and absence reply to a stranger
                 {true, CMD_GET_INFO, 5},
                 {true, CMD_SEND_MESSAGE | OPT_SEND_CHECK, 1 + 50 * 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EngineHarness h({}, {5, 0, 16});
        h.Enter();
        h.engine->UpdatePresense(0, "Lunch", "away");
        if (c.entered)
            h.ReceivePacket("10.0.0.2", 2425, CMD_ANSWER_ENTRY, "x");
        for (int i = 0; i < 50; ++i)
            h.ReceivePacket("10.0.0.2", 2425, c.command, "x");
        h.ReceivePacket("10.0.0.3", 2425, CMD_ENTRY, "y");
        EXPECT_EQ(std::ranges::count(h.sent, QByteArray("10.0.0.2"), &SentDatagram::Host),
                  c.replies);
        EXPECT_EQ(std::ranges::count(h.sent, QByteArray("10.0.0.3"), &SentDatagram::Host), 2);
    }
}

} // namespace
