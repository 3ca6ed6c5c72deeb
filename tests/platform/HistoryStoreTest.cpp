#include "platform/history/SqliteHistoryStore.h"

#include "support/EventWaiter.h"
#include "support/PrintQString.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace history;

namespace
{
Line Said(const QString& address, const QString& text, qint64 time, bool group = false)
{
    const QString prefix = QStringLiteral("花子 =>\t");
    return {{group, group ? QStringLiteral("開発") : address}, time, address,
            QStringLiteral("花子"), 2, prefix + text, static_cast<int>(prefix.size())};
}

std::unique_ptr<SqliteHistoryStore> OpenIn(const QTemporaryDir& dir)
{
    Error error;
    auto store = SqliteHistoryStore::Open(dir.filePath("history.db"), error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return store;
}
} // namespace

TEST(HistoryStore, LinesComeBackAfterReopeningInOrderAndWholeUntilRemoved)
{
    QTemporaryDir dir;
    const Line first = Said("10.0.0.2", QStringLiteral("おはよう"), 1000);
    OpenIn(dir)->Append(first);
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->Append(Said("10.0.0.2", QStringLiteral("会議は3時から"), 2000)), Error());
    EXPECT_EQ(store->Append(Said("10.0.0.3", QStringLiteral("グループへ"), 3000, true)), Error());

    const std::vector<Line> recent = store->Recent({false, "10.0.0.2"}, 0, 10);
    ASSERT_EQ(recent.size(), 2u);
    EXPECT_EQ(recent[0].shown, first.shown);
    EXPECT_EQ(recent[0].Text(), QStringLiteral("おはよう"));
    EXPECT_EQ(recent[1].time, 2000);
    EXPECT_EQ(store->Recent({false, "10.0.0.2"}, 1500, 10).size(), 1u); // a day's talk ends
    EXPECT_EQ(store->Recent({false, "10.0.0.2"}, 0, 1).back().time, 2000); // newest kept
    EXPECT_EQ(store->Recent({true, QStringLiteral("開発")}, 0, 10).at(0).address, "10.0.0.3");

    EXPECT_EQ(store->RemoveMember("10.0.0.2"), Error());
    EXPECT_TRUE(store->Recent({false, "10.0.0.2"}, 0, 10).empty());
    EXPECT_TRUE(store->Search(QStringLiteral("会議"), 10).empty());
    EXPECT_EQ(store->Search(QStringLiteral("グループ"), 10).size(), 1u);
    EXPECT_EQ(store->RemoveAll(), Error());
    EXPECT_TRUE(store->Search(QStringLiteral("グループ"), 10).empty());
    EXPECT_EQ(store->Append(first), Error());
}

TEST(HistoryStore, SearchFindsSubstringsNotWords)
{
    QTemporaryDir dir;
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    store->Append(Said("10.0.0.2", QStringLiteral("明日の定例会議は中止です"), 1));
    store->Append(Said("10.0.0.3", QStringLiteral("Meeting \"room\" 😀 B"), 2, true));
    const struct {
        QString text;
        int hits;
    } cases[] = {
        {QStringLiteral("会議"), 1},      {QStringLiteral("定例会議は中"), 1},
        {QStringLiteral("会中"), 0},      {QStringLiteral("花子"), 0}, // the nickname is not text
        {QStringLiteral("meeting"), 1},   {QStringLiteral("\"room\""), 1},
        {QStringLiteral("😀 b"), 1},      {QStringLiteral("明"), 1}, // one character: a scan
        {QStringLiteral("OR"), 0},        {QStringLiteral("*"), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(store->Search(c.text, 10).size(), static_cast<size_t>(c.hits)) << c.text.toStdString();
    const std::vector<Hit> page = store->Search(QStringLiteral("e"), 1);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].line.conversation, (Conversation{true, QStringLiteral("開発")}));
    EXPECT_TRUE(store->Search(QStringLiteral("e"), 1, page[0].id).empty());
}

TEST(HistoryStore, PastItsSizeTheOldestLinesGoAndTheNewestStay)
{
    QTemporaryDir dir;
    Error error;
    auto store = SqliteHistoryStore::Open(dir.filePath("history.db"), error, 256 * 1024);
    ASSERT_TRUE(store);
    const QString flood(600, QChar(0x3042));
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(store->Append(Said("10.0.0.2", flood, i)), Error());
    const Conversation talk{false, "10.0.0.2"};
    EXPECT_TRUE(WaitUntil([&] { return store->Recent(talk, 0, 2000).front().time > 0; }, 20000));
    EXPECT_EQ(store->Recent(talk, 0, 1).back().time, 1999);
}
