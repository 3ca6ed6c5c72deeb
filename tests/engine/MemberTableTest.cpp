// The member table keeps peers in the order they last changed and finds them by exact
// address.
#include "engine/MemberTable.h"

#include "platform/Cp932.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>

namespace
{

MemberRecord Member(const char* address, const char* alias = "")
{
    MemberRecord record;
    record.IPAddress = address;
    record.Aliase = alias;
    record.PortNo = 2425;
    return record;
}

QStringList Order(const MemberTable& table)
{
    QStringList addresses;
    for (const MemberRecord& record : table)
        addresses << QString::fromLatin1(record.IPAddress);
    return addresses;
}

TEST(MemberTable, EveryChangeMovesTheMemberToTheEnd)
{
    struct Case {
        const char* what;
        void (*change)(MemberTable&);
        QStringList order;
    };
    const Case cases[] = {
        {"appending keeps arrival order",
         [](MemberTable&) {},
         {"10.0.0.1", "10.0.0.2", "10.0.0.3"}},
        {"put of a known address replaces and moves it",
         [](MemberTable& t) { t.Put(Member("10.0.0.1", "new")); },
         {"10.0.0.2", "10.0.0.3", "10.0.0.1"}},
        {"move to end",
         [](MemberTable& t) { t.MoveToEnd("10.0.0.2"); },
         {"10.0.0.1", "10.0.0.3", "10.0.0.2"}},
        {"moving the last one changes nothing",
         [](MemberTable& t) { t.MoveToEnd("10.0.0.3"); },
         {"10.0.0.1", "10.0.0.2", "10.0.0.3"}},
        {"remove from the middle",
         [](MemberTable& t) { t.Remove("10.0.0.2"); },
         {"10.0.0.1", "10.0.0.3"}},
        {"unknown address changes nothing",
         [](MemberTable& t) {
             EXPECT_EQ(t.MoveToEnd("10.0.0.9"), nullptr);
             EXPECT_FALSE(t.Remove("10.0.0.9"));
         },
         {"10.0.0.1", "10.0.0.2", "10.0.0.3"}},
        {"remove by the record's own address",
         [](MemberTable& t) { EXPECT_TRUE(t.Remove(t.Find("10.0.0.2")->IPAddress)); },
         {"10.0.0.1", "10.0.0.3"}},
        {"remove all from the front",
         [](MemberTable& t) {
             for (const char* address : {"10.0.0.1", "10.0.0.2", "10.0.0.3"})
                 EXPECT_TRUE(t.Remove(address));
         },
         {}},
        {"clear", [](MemberTable& t) { t.Clear(); }, {}},
        {"clear, then the same addresses again",
         [](MemberTable& t) {
             t.Clear();
             t.Put(Member("10.0.0.3", "new"));
             t.Put(Member("10.0.0.1", "new"));
         },
         {"10.0.0.3", "10.0.0.1"}},
        {"put after remove appends",
         [](MemberTable& t) {
             t.Remove("10.0.0.1");
             t.Put(Member("10.0.0.1"));
         },
         {"10.0.0.2", "10.0.0.3", "10.0.0.1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemberTable table;
        for (const char* address : {"10.0.0.1", "10.0.0.2", "10.0.0.3"})
            table.Put(Member(address, "old"));
        c.change(table);
        EXPECT_EQ(Order(table), c.order);
        EXPECT_EQ(table.size(), static_cast<std::size_t>(c.order.size()));
        // The index agrees with the list: a listed address finds its own record, any
        // other finds nothing.
        for (const char* address : {"10.0.0.1", "10.0.0.2", "10.0.0.3"}) {
            SCOPED_TRACE(address);
            const MemberRecord* found = table.Find(address);
            const auto listed = std::find_if(table.begin(), table.end(),
                                             [&](const auto& r) { return r.IPAddress == address; });
            if (listed == table.end()) {
                EXPECT_EQ(found, nullptr);
                EXPECT_FALSE(table.Remove(address));
            } else {
                EXPECT_EQ(found, &*listed);
            }
        }
    }
}

TEST(MemberTable, PutReplacesTheWholeRecordAndKeepsOnePerAddress)
{
    MemberTable table;
    table.Put(Member("10.0.0.1", "old"));
    table.Put(Member("10.0.0.2"));
    table.Put(Member("10.0.0.1", "new"));
    ASSERT_EQ(table.size(), 2u);
    ASSERT_NE(table.Find("10.0.0.1"), nullptr);
    EXPECT_EQ(table.Find("10.0.0.1")->Aliase, "new");
}

TEST(MemberTable, MovedRecordCanBeUpdatedInPlaceAndFoundAgain)
{
    MemberTable table;
    table.Put(Member("10.0.0.1"));
    table.Put(Member("10.0.0.2"));
    MemberRecord* moved = table.MoveToEnd("10.0.0.1");
    ASSERT_NE(moved, nullptr);
    moved->MailAddress = "taro@example.com";
    ASSERT_NE(table.Find("10.0.0.1"), nullptr);
    EXPECT_EQ(table.Find("10.0.0.1")->MailAddress, "taro@example.com");
    EXPECT_EQ(table.Find("10.0.0.1"), &*std::prev(table.end()));
}

// Find remembers the member it found last: no removal may leave it answering from there.
TEST(MemberTable, AMemberFoundJustBeforeItIsRemovedIsNotFoundAfterIt)
{
    MemberTable table;
    for (const auto remove :
         {+[](MemberTable& t) { t.Remove("10.0.0.1"); }, +[](MemberTable& t) { t.Clear(); }}) {
        table.Put(Member("10.0.0.1"));
        ASSERT_NE(table.Find("10.0.0.1"), nullptr);
        remove(table);
        EXPECT_EQ(table.Find("10.0.0.1"), nullptr);
    }
}

TEST(MemberTable, AddressesMatchExactly)
{
    MemberTable table;
    table.Put(Member("10.0.0.1"));
    table.Put(Member("host-A"));
    const char* misses[] = {"10.0.0.10", "10.0.0.", "10.0.0.1 ", "host-a", ""};
    for (const char* address : misses) {
        SCOPED_TRACE(address);
        EXPECT_EQ(table.Find(address), nullptr);
        EXPECT_FALSE(table.Remove(address));
    }
    EXPECT_EQ(table.size(), 2u);
    // A view into a longer buffer finds by its own bytes only.
    const QByteArray longer = "10.0.0.1:2425";
    EXPECT_NE(table.Find(QByteArrayView(longer).first(8)), nullptr);
}

TEST(FitField, CutsOnACharacterBoundaryToTheFieldLessOne)
{
    const QByteArray kanji = Cp932::FromUnicode(u"漢"); // two bytes
    struct Case {
        QByteArray text;
        int size;
        qsizetype kept;
    };
    const Case cases[] = {
        {"abcd", 5, 4},
        {"abcde", 5, 4},
        {"a" + kanji.repeated(3), 5, 3}, // "a" and one kanji; the next would straddle
        {kanji.repeated(3), 5, 4},
        {kanji.repeated(3), 6, 4}, // 5 bytes would split the third kanji
        {"", 128, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toHex().toStdString());
        EXPECT_EQ(FitField(c.text, c.size), c.text.left(c.kept));
    }
}

} // namespace
