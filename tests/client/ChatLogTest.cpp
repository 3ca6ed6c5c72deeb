#include "client/ChatLog.h"

#include <QDateTime>
#include <QLocale>

#include <gtest/gtest.h>

namespace
{

// Every entry not read yet, as "state:text".
QStringList ReadNew(ChatLog& log)
{
    QStringList lines;
    QString s;
    int16_t state = -1;
    while (!log.GetNext(s, state))
        lines.append(QString::number(state) + u':' + s);
    return lines;
}

} // namespace

TEST(ChatLog, CursorHandsOutEachEntryOnce)
{
    ChatLog log;
    EXPECT_TRUE(ReadNew(log).isEmpty()) << "a new log is at its end at once";
    log.AddLog(QStringLiteral("a"), LogLocal, QStringLiteral("t"));
    log.AddLog(QStringLiteral("b"), LogReceived, QStringLiteral("t"));
    log.AddLog(QStringLiteral("c"), LogLocal, QStringLiteral("t"));
    EXPECT_EQ(ReadNew(log), QStringList({"1:a", "2:b", "1:c"}));
    // A redraw after one more line shows just that line.
    log.AddLog(QStringLiteral("d"), LogReceived, QStringLiteral("t"));
    EXPECT_EQ(ReadNew(log), QStringList({"2:d"}));

    // At the end the text is emptied and the state left alone.
    QString s = QStringLiteral("stale");
    int16_t state = 7;
    EXPECT_TRUE(log.GetNext(s, state));
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(state, 7);
    log.Reset();
    EXPECT_EQ(ReadNew(log).size(), 4);
}

TEST(ChatLog, GrowsInBlocksAndKeepsEveryEntry)
{
    ChatLog log;
    QList<int> capacities; // after the 100th, 101st and 250th entry
    for (int i = 1; i <= 250; ++i) {
        log.AddLog(QString::number(i), LogLocal, QStringLiteral("t"));
        if (i == 100 || i == 101 || i == 250)
            capacities.append(log.Capacity());
    }
    EXPECT_EQ(capacities, QList<int>({100, 200, 300}));
    EXPECT_EQ(log.GetCurPos(), 250);
    for (int i = 0; i < 250; ++i)
        ASSERT_EQ(log.GetLog(i).str, QString::number(i + 1)) << i;
    EXPECT_EQ(ReadNew(log).size(), 250);
    EXPECT_EQ(log.GetCurLog().str, QStringLiteral("250"));
    for (int outside : {-1, 250, 301})
        EXPECT_TRUE(log.GetLog(outside).str.isEmpty()) << outside;
}

TEST(ChatLog, TimeIsStampedOnlyWhenNotGiven)
{
    ChatLog log;
    log.AddLog(QStringLiteral("given"), LogLocal, QStringLiteral("12:00"));
    EXPECT_EQ(log.GetCurLog().time, QStringLiteral("12:00"));

    const auto now = [] {
        return QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    };
    const QString before = now();
    log.AddLog(QStringLiteral("stamped"));
    const QString after = now();
    const LogInfo entry = log.GetLog(1);
    EXPECT_EQ(entry.state, 0);
    EXPECT_FALSE(entry.time.isEmpty());
    EXPECT_TRUE(entry.time == before || entry.time == after) << entry.time.toStdString();
}

// Only the newest entries stay: at most so many lines and characters, the newest always.
// Entries are "<number>xxx..." of `size` characters.
TEST(ChatLog, KeepsABoundedTail)
{
    constexpr int Lines = ChatLog::MaxLines;
    constexpr qsizetype Chars = ChatLog::MaxChars;
    const struct {
        int maxLines;
        qsizetype maxChars;
        int added, size, kept;
    } cases[] = {{250, Chars, 1000, 4, 250}, // a line limit between two blocks of storage
                 {Lines, Chars, 400, 8191, 128},
                 {Lines, Chars, 6000, 20, Lines},
                 {Lines, Chars, 3, Chars + 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        ChatLog log(c.maxLines, c.maxChars);
        const auto text = [&](int i) { return QString::number(i).leftJustified(c.size, u'x'); };
        for (int i = 0; i < c.added; ++i)
            log.AddLog(text(i), LogReceived, QStringLiteral("t"));
        EXPECT_LE(log.Capacity(), c.maxLines);
        EXPECT_EQ(log.Chars(), qsizetype(c.kept) * c.size);
        EXPECT_EQ(log.GetLog(0).str, text(c.added - c.kept));
        const QStringList lines = ReadNew(log);
        ASSERT_EQ(lines.size(), c.kept);
        EXPECT_EQ(lines.back(), QStringLiteral("2:") + text(c.added - 1));
    }
}

// The cursor keeps its place among the entries that stay; entries gone unread are skipped.
TEST(ChatLog, CursorKeepsItsPlaceAsOldEntriesGo)
{
    ChatLog log(3, 1000);
    for (const char* s : {"a", "b"})
        log.AddLog(QString::fromLatin1(s), LogLocal, QStringLiteral("t"));
    EXPECT_EQ(ReadNew(log), QStringList({"1:a", "1:b"}));
    for (const char* s : {"c", "d", "e", "f"})
        log.AddLog(QString::fromLatin1(s), LogLocal, QStringLiteral("t"));
    EXPECT_EQ(ReadNew(log), QStringList({"1:d", "1:e", "1:f"}));
    log.AddLog(QStringLiteral("g"), LogLocal, QStringLiteral("t"));
    EXPECT_EQ(ReadNew(log), QStringList({"1:g"}));
}
