#include "engine/PacketCodec.h"

#include "engine/Commands.h"
#include "platform/Cp932.h"
#include "support/Bytes.h"

#include <QString>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

QByteArray Sjis(const char16_t* text)
{
    return Cp932::FromUnicode(QString::fromUtf16(text));
}

ReceivedPacket Parse(const QByteArray& datagram)
{
    return ParsePacket(datagram, SocketEvent{SocketEvent::DataReceived, "10.0.0.5", 2425});
}

// True when the bytes decode without a broken double-byte character at either end.
bool EndsOnCharacterBoundary(const QByteArray& bytes)
{
    return !Cp932::ToUnicode(bytes).contains(QChar::ReplacementCharacter);
}

} // namespace

TEST(ParsePacket, HeaderFields)
{
    struct Case {
        const char* text;
        int32_t version, packetNo;
        const char *user, *host;
        int32_t command, options;
        const char* extra;
    };
    const Case cases[] = {
        {"1:2:u:h:32:a:b:c", 1, 2, "u", "h", 0x20, 0, "a:b:c"}, // colons inside the extra survive
        {"1:2", 1, 2, "", "", 0, 0, ""},                        // missing fields read as empty
        {"1:2:u:h:288:x", 1, 2, "u", "h", 0x20, 0x100, "x"},    // options split from the command
        {"1:2:u:h:32", 1, 2, "u", "h", 0x20, 0, ""},            // four colons: no extra
        {"1:2:u:h:32:", 1, 2, "u", "h", 0x20, 0, ""},
        {"1:2:u:h:abc:x", 1, 2, "u", "h", 0, 0, "x"}, // non-numeric command reads 0
        {":::::", 0, 0, "", "", 0, 0, ""},
        {"", 0, 0, "", "", 0, 0, ""},
        {" +7:\t-1:u:h: 33x:y", 7, -1, "u", "h", 0x21, 0, "y"}, // atoi: blanks, sign, digits
        {"1:3000000000:u:h:32:x", 1, -1294967296, "u", "h", 0x20, 0, "x"}, // %u comes back
        {"1:99999999999999999999:u:h:-99999999999999999999:x", 1, -1, "u", "h", 0, 0, "x"},
        {"1:2:u:h:-1:x", 1, 2, "u", "h", 0xFF, ~0xFF, "x"},
        {"1:2:u:h:2098208:x", 1, 2, "u", "h", 0x20, 0x200400, "x"}, // 0x200420
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ReceivedPacket packet = Parse(c.text);
        EXPECT_EQ(packet.Version, c.version);
        EXPECT_EQ(packet.PacketNo, c.packetNo);
        EXPECT_EQ(packet.UserName, c.user);
        EXPECT_EQ(packet.HostName, c.host);
        EXPECT_EQ(packet.Command, c.command);
        EXPECT_EQ(packet.Options, c.options);
        EXPECT_EQ(packet.Extra, c.extra);
        EXPECT_EQ(packet.GroupPart, "");
    }
}

TEST(ParsePacket, GroupPartAfterTheFirstNul)
{
    struct Case {
        QByteArray datagram;
        const char* extra;
        const char* groupPart;
    };
    const Case cases[] = {
        {Bytes("1:2:u:h:1:x\0A\0B\0"), "x", "A,B"},
        {Bytes("1:2:u:h:1:x\0A\0B"), "x", "A,B"},   // no final NUL
        {Bytes("1:2:u:h:1:x\0A\0\0B\0"), "x", "A"}, // a double NUL ends the names
        {Bytes("1:2:u:h:1:x\0A"), "x", "A"},
        {Bytes("1:2:u:h:1:x\0\0"), "x", ""}, // what an empty Groups sends
        {Bytes("1:2:u:h:1:x\0"), "x", ""},
        {Bytes("1:2:u:h:1:x\0\0A\0"), "x", ",A"}, // a lone NUL first is a separator
        {Bytes("1:2:u:h:1:x\0Sales,Dev\0"), "x", "Sales,Dev"},
        {Bytes("1:2:u\0:h:1:x\0"), "", ":h:1:x"}, // the header ends at the first NUL
        {Bytes("\0A\0"), "", "A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.datagram.toPercentEncoding().constData());
        const ReceivedPacket packet = Parse(c.datagram);
        EXPECT_EQ(packet.Extra, c.extra);
        EXPECT_EQ(packet.GroupPart, c.groupPart);
    }
}

TEST(ParsePacket, KeepsTheSource)
{
    const ReceivedPacket packet =
        ParsePacket("1:2:u:h:32:x", SocketEvent{SocketEvent::DataReceived, "192.168.1.20", 50123});
    EXPECT_EQ(packet.Source.Kind, SocketEvent::DataReceived);
    EXPECT_EQ(packet.Source.PeerAddress, "192.168.1.20");
    EXPECT_EQ(packet.Source.PeerPort, 50123);
}

TEST(ParsePacket, ReadsAtMostOneFullDatagram)
{
    const QByteArray head = "1:2:u:h:32:";
    QByteArray full = head + QByteArray(MaxDatagramSize - head.size(), 'x');
    ASSERT_EQ(full.size(), 8192);
    ReceivedPacket packet = Parse(full);
    EXPECT_EQ(packet.Command, 0x20);
    EXPECT_EQ(packet.Extra.size(), 8192 - head.size());
    EXPECT_EQ(packet.GroupPart, "");

    // Whatever lies beyond the receive buffer is not part of the packet.
    packet = Parse(full + Bytes("y\0G\0"));
    EXPECT_EQ(packet.Extra.size(), 8192 - head.size());
    EXPECT_EQ(packet.GroupPart, "");
}

TEST(ParsePacket, CutsOverlongFieldsOnCharacterBoundaries)
{
    const QByteArray kanji600 = Sjis(u"漢").repeated(600); // 1200 bytes
    const QByteArray oddKanji = "a" + kanji600;            // 1201 bytes, characters at odd offsets
    const QByteArray groups = Sjis(u"営業部").repeated(400) + "," + "B"; // 2400 bytes first
    const QByteArray manyGroups = (Sjis(u"営業部") + '\0').repeated(400);

    struct Case {
        const char* what;
        QByteArray datagram;
        QByteArray ReceivedPacket::*field;
        qsizetype expected;
    };
    const Case cases[] = {
        {"host 600 kanji", "1:2:u:" + kanji600 + ":32:x", &ReceivedPacket::HostName, 1022},
        {"host a+600 kanji", "1:2:u:" + oddKanji + ":32:x", &ReceivedPacket::HostName, 1023},
        {"user 600 kanji", "1:2:" + kanji600 + ":h:32:x", &ReceivedPacket::UserName, 1022},
        {"one long group", "1:2:u:h:1:x" + Bytes("\0") + groups, &ReceivedPacket::GroupPart, 2046},
        // Only whole names: 292 of 営業部 plus their separators, without the 293rd.
        {"many groups", "1:2:u:h:1:x" + Bytes("\0") + manyGroups, &ReceivedPacket::GroupPart,
         292 * 7 - 1},
        {"ends on a separator", "1:2:u:h:1:x" + Bytes("\0") + QByteArray(2047, 'G') + Bytes("\0B"),
         &ReceivedPacket::GroupPart, 2047},
        {"ascii host", "1:2:u:" + QByteArray(1500, 'h') + ":32:x", &ReceivedPacket::HostName, 1023},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ReceivedPacket packet = Parse(c.datagram);
        const QByteArray& value = packet.*c.field;
        EXPECT_EQ(value.size(), c.expected);
        EXPECT_TRUE(EndsOnCharacterBoundary(value));
        EXPECT_EQ(packet.Extra, "x"); // the rest of the packet still parses
    }
}

TEST(BuildPacket, EveryFormByteForByte)
{
    const PacketHeader h{101, "user", "host"};
    struct Case {
        const char* what;
        QByteArray built;
        QByteArray expected;
    };
    const Case cases[] = {
        {"private message", BuildPacket(h, 0x120, "hello"), Bytes("1:101:user:host:288:hello\0")},
        {"entry", BuildPacket(h, CMD_ENTRY, "taro", GroupPartFromGroups("A,B,C", false)),
         Bytes("1:101:user:host:1:taro\0A\0B\0C\0")},
        {"entry with host list",
         BuildPacket(h, CMD_ENTRY, "taro", GroupPartFromGroups("A,B,C", true)),
         Bytes("1:101:user:host:1:taro\0A\0")},
        {"entry without groups", BuildPacket(h, CMD_ENTRY, "taro", GroupPartFromGroups("", false)),
         Bytes("1:101:user:host:1:taro\0\0")},
        {"absent entry",
         BuildPacket(h, 0x101, AbsentExtra("taro", "meeting"), GroupPartFromGroups("A", false)),
         Bytes("1:101:user:host:257:taro[meeting]\0A\0")},
        {"group message", BuildPacket(h, 0x420, "hi", QByteArrayView("Sales,Dev")),
         Bytes("1:101:user:host:1056:hi\0Sales,Dev\0")},
        {"send info", BuildPacket(h, 0x2041, SendInfoExtra("Palavo XP", "1.0")),
         Bytes("1:101:user:host:8257:Palavo XP 1.0\0")},
        {"receipt", BuildPacket(h, CMD_RECEIPT, ReceiptExtra(-1294967296)),
         Bytes("1:101:user:host:33:3000000000\0")},
        {"get list", BuildPacket(h, CMD_GET_LIST, GetListExtra(3)),
         Bytes("1:101:user:host:18:3\0")},
        {"get list negative", BuildPacket(h, CMD_GET_LIST, GetListExtra(-3)),
         Bytes("1:101:user:host:18:-3\0")},
        {"present absence info", BuildPacket(h, CMD_SEND_ABSENCE_INFO, NotAbsentExtra("taro")),
         Bytes("1:101:user:host:81:taro[Not absence mode]\0")},
        {"empty texts", BuildPacket({4294967295u, {}, {}}, CMD_EXIT, {}),
         Bytes("1:4294967295:::2:\0")},
        // Texts are C strings on the wire: a NUL inside one must not end the header early.
        {"NUL inside texts", BuildPacket({7, Bytes("us\0er"), "h"}, 0x120, Bytes("a\0b")),
         Bytes("1:7:us:h:288:a\0")},
        {"NUL inside alias", BuildPacket(h, 0x104, AbsentExtra(Bytes("ta\0ro"), "x"), {""}),
         Bytes("1:101:user:host:260:ta[x]\0\0")},
        {"groups end at a NUL",
         BuildPacket(h, 1, "t", GroupPartFromGroups(Bytes("A,B\0,C"), false)),
         Bytes("1:101:user:host:1:t\0A\0B\0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.built, c.expected) << c.built.toPercentEncoding().constData();
    }
}

TEST(BuildPacket, PacketNumbersCountFrom101)
{
    PacketCounter counter;
    EXPECT_EQ(counter.Value(), 100);
    const QByteArray first = BuildPacket({counter.Next(), "u", "h"}, CMD_ENTRY, "a", {""});
    const QByteArray second = BuildPacket({counter.Next(), "u", "h"}, 0x120, "b");
    EXPECT_EQ(first, Bytes("1:101:u:h:1:a\0\0"));
    EXPECT_EQ(second, Bytes("1:102:u:h:288:b\0"));

    // Printed unsigned, the counter never shows a minus sign.
    PacketCounter wrapping(2147483646);
    EXPECT_EQ(wrapping.Next(), 2147483647u);
    EXPECT_EQ(wrapping.Next(), 2147483648u);
    EXPECT_EQ(wrapping.Value(), -2147483647 - 1);
}

TEST(GroupPartFromGroups, AnnouncedGroups)
{
    const QByteArray longGroups = Sjis(u"開").repeated(600); // 1200 bytes
    struct Case {
        QByteArray groups;
        bool useHostlist;
        QByteArray expected;
    };
    const Case cases[] = {
        {"A,B,C", false, Bytes("A\0B\0C")},
        {"A,B,C", true, "A"}, // the host list knows one group per user
        {"A", true, "A"},
        {"", false, ""},
        {"A,,B", false, Bytes("A\0\0B")}, // sent as it stands; receivers read "A"
        {longGroups, false, longGroups.first(1022)},
        {"x" + longGroups, false, ("x" + longGroups).first(1023)},
        // A name that does not fit whole is left out rather than announced cut short.
        {"A,B," + longGroups, false, Bytes("A\0B")},
        {"A," + longGroups.first(1020) + ",C", false, Bytes("A\0") + longGroups.first(1020)},
        {QByteArray(1000, 'a') + ",B,C", true, QByteArray(1000, 'a')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.groups.left(40).toPercentEncoding().constData());
        EXPECT_EQ(GroupPartFromGroups(c.groups, c.useHostlist), c.expected);
    }
}

TEST(BuildPacket, OnlyGroupCarryingTextsAreCutTo1023Bytes)
{
    const PacketHeader h{101, "u", "h"};
    const QByteArray head = "1:101:u:h:1:";
    struct Case {
        const char* what;
        QByteArray extra;
        bool withGroups;
        qsizetype textLength;
    };
    const QByteArray kanji = Sjis(u"漢").repeated(1000);
    const Case cases[] = {
        {"ascii alias", QByteArray(2000, 'a'), true, 1023},
        // The header is 12 bytes, so the 506th kanji would straddle byte 1023.
        {"kanji alias", kanji, true, 1022},
        {"kanji alias shifted", "a" + kanji, true, 1023},
        {"fits exactly", QByteArray(1023 - head.size(), 'a'), true, 1023},
        {"private message goes whole", QByteArray(5000, 'm'), false, head.size() + 5000},
        {"kanji message goes whole", kanji, false, head.size() + 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray datagram =
            c.withGroups ? BuildPacket(h, CMD_ENTRY, c.extra, QByteArrayView("G1\0G2", 5))
                         : BuildPacket(h, CMD_ENTRY, c.extra);
        const QByteArray text(datagram.constData()); // up to the first NUL
        EXPECT_EQ(text.size(), c.textLength);
        EXPECT_TRUE(EndsOnCharacterBoundary(text));
        EXPECT_TRUE(text.startsWith(head));
        EXPECT_TRUE(c.extra.startsWith(text.mid(head.size())));
        const QByteArray tail = c.withGroups ? Bytes("\0G1\0G2\0") : Bytes("\0");
        EXPECT_EQ(datagram.mid(text.size()), tail);
    }
}

TEST(PacketCodec, JapaneseTextsRoundTrip)
{
    const QByteArray alias = Sjis(u"山田太郎（開発部）");
    const QByteArray user = Sjis(u"やまだ");
    const QByteArray host = Sjis(u"山田のＰＣ");
    // 表 and ソ end in 0x5C and 能 in 0x5C too; [ and ] never trail a lead byte here,
    // but a backslash-like trail byte must not upset anything either.
    const QByteArray message = Sjis(u"表示ソフトの機能：確認[済]\r\n二行目").repeated(100);
    const QByteArray groups = Sjis(u"開発部,営業部");

    struct Case {
        const char* what;
        QByteArray datagram;
        int32_t command, options;
        QString extra, groupPart;
    };
    const Case cases[] = {
        {"entry",
         BuildPacket({101, user, host}, CMD_ENTRY, alias, GroupPartFromGroups(groups, false)),
         CMD_ENTRY, 0, u"山田太郎（開発部）"_s, u"開発部,営業部"_s},
        {"absent entry answer",
         BuildPacket({102, user, host}, 0x103, AbsentExtra(alias, Sjis(u"会議中")),
                     GroupPartFromGroups(groups, true)),
         CMD_ANSWER_ENTRY, OPT_ABSENCE, u"山田太郎（開発部）[会議中]"_s, u"開発部"_s},
        {"long private message", BuildPacket({103, user, host}, 0x120, message), CMD_SEND_MESSAGE,
         OPT_SEND_CHECK, QString::fromUtf16(u"表示ソフトの機能：確認[済]\r\n二行目").repeated(100),
         u""_s},
        {"cast message",
         BuildPacket({104, user, host}, CMD_CAST_MESSAGE, Sjis(u"こんにちは"),
                     QByteArrayView(Sjis(u"営業部"))),
         CMD_CAST_MESSAGE, 0, u"こんにちは"_s, u"営業部"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ReceivedPacket packet = Parse(c.datagram);
        EXPECT_EQ(packet.Version, 1);
        EXPECT_EQ(Cp932::ToUnicode(packet.UserName), u"やまだ"_s);
        EXPECT_EQ(Cp932::ToUnicode(packet.HostName), u"山田のＰＣ"_s);
        EXPECT_EQ(packet.Command, c.command);
        EXPECT_EQ(packet.Options, c.options);
        EXPECT_EQ(Cp932::ToUnicode(packet.Extra), c.extra);
        EXPECT_EQ(Cp932::ToUnicode(packet.GroupPart), c.groupPart);
    }
}
