#include "ClientTestSupport.h"

#include "client/ChatInfo.h"
#include "client/CommaList.h"
#include "client/INIData.h"
#include "client/ProcessOptions.h"
#include "client/TraceLog.h"

#include <QFile>

namespace
{

class Settings : public ClientTest
{
};

} // namespace

TEST_F(Settings, NoFileGivesTheDefaults)
{
    ChatInfo& info = m_info;
    info.LoadSetting();
    EXPECT_EQ(info.aliase(), QStringLiteral("名無しの権兵衛"));
    EXPECT_EQ(info.port(), 2425);
    EXPECT_EQ(info.LocationEntries(), QStringList({"会議室", "トイレ", "昼飯中", "取り込み中"}));
    EXPECT_EQ(info.groups(), QString());
    EXPECT_EQ(info.castAddresses(), QString());
    EXPECT_EQ(info.mailAddress(), QString());
    EXPECT_EQ(info.mediaOption(), 0);
    EXPECT_FALSE(info.useHostlist() || info.autoAnswer() || info.autoEntry() ||
                 info.displayRenew() || info.dblClickVoip());
    const ProcessOptions& options = info.options();
    EXPECT_EQ(options.voice + options.file + options.video + options.wb + options.debug, 0);
    EXPECT_FALSE(QFile::exists(SettingsPath(QStringLiteral("Palavo.ini"))))
        << "reading must not create the file";
}

TEST_F(Settings, StoredValuesReachChatInfoAndProcessOptions)
{
    WriteIniText(
        "[chat]\nPORT=2500\n"
        "[User]\naliase=太郎\ngrouplist=開発部 , 営業部\ncastAddrList=10.0.0.255, 10.1.255.255\n"
        "mailAddress=taro@example.jp\nmedia=6\nhostlist=1\nautoAnswer=0\n"
        "autoEntry=-1\ndisplayRenew=1\ndblClickVoip=1\n"
        "[OPTION]\nvoice=1\nfile=2\nvideo=3\nwb=4\ndebug=1\n");
    ChatInfo& info = m_info;
    info.setPresence(true);
    info.setLocation(QStringLiteral("会議室"));
    info.setHostName(QStringLiteral("pc1"));
    info.LoadSetting();
    EXPECT_EQ(info.port(), 2500);
    EXPECT_EQ(info.aliase(), QStringLiteral("太郎"));
    EXPECT_EQ(info.groups(), QStringLiteral("開発部,営業部"));
    // The broadcast addresses are kept exactly as stored.
    EXPECT_EQ(info.castAddresses(), QStringLiteral("10.0.0.255, 10.1.255.255"));
    EXPECT_EQ(info.mailAddress(), QStringLiteral("taro@example.jp"));
    EXPECT_EQ(info.mediaOption(), 6);
    // Any non-zero switch reads as on.
    EXPECT_TRUE(info.useHostlist() && info.autoEntry() && info.displayRenew() &&
                info.dblClickVoip());
    EXPECT_FALSE(info.autoAnswer());
    const ProcessOptions& o = info.options();
    EXPECT_EQ(QList<int>({o.voice, o.file, o.video, o.wb, o.debug}), QList<int>({1, 2, 3, 4, 1}));
    // What the network gave us is not a setting.
    EXPECT_TRUE(info.Presence());
    EXPECT_EQ(info.Location(), QStringLiteral("会議室"));
    EXPECT_EQ(info.host(), QStringLiteral("pc1"));
}

TEST_F(Settings, CommaListsStopAtAnEmptyField)
{
    struct Case {
        const char* text;
        QStringList items;
        const char* joined;
    };
    const Case cases[] = {
        {"A,B", {"A", "B"}, "A,B"},
        {" A , B ", {"A", "B"}, "A,B"}, // blanks around items are trimmed
        {"A,,B", {"A"}, "A"},           // two commas in a row end the list
        {",A,B", {}, ""},               // so does a leading comma
        {"A, ,B", {"A", "B"}, "A,B"},   // a blank item is skipped, not an end
        {"A,B,", {"A", "B"}, "A,B"},    // a trailing comma adds nothing
        {"", {}, ""},
        {"\u3000A\u3000", {"\u3000A\u3000"}, "\u3000A\u3000"}, // full-width space is kept
    };
    ChatInfo& info = m_info;
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(ParseCommaList(text), c.items) << c.text;
        // Stored that way, the memo/whereabouts list loads the same items and joins back.
        INIData::WriteIniString(QStringLiteral("User"), QStringLiteral("locationlist"), text);
        info.LoadSetting();
        EXPECT_EQ(info.LocationEntries(), c.items) << c.text;
        EXPECT_EQ(info.locationList(), QString::fromUtf8(c.joined)) << c.text;
        info.setGroups(text);
        EXPECT_EQ(info.groups(), QString::fromUtf8(c.joined)) << c.text;
    }
    EXPECT_EQ(ParseCommaList(QStringLiteral("x,").repeated(CommaListLimit + 5)).size(),
              CommaListLimit);
    info.setMailAddr(QStringLiteral("me@example.jp"));
    EXPECT_EQ(info.mailAddress(), QStringLiteral("me@example.jp"));
}

TEST_F(Settings, SaveWritesEveryFieldWithSwitchesAsOneAndZero)
{
    const SettingsRecord record{.aliase = "花子",
                                .port = 2600,
                                .locationlist = "A,B",
                                .grouplist = "開発部",
                                .castAddrList = "10.0.0.255",
                                .mailAddress = "hana@example.jp",
                                .media = 3,
                                .hostlist = true,
                                .autoAnswer = false,
                                .autoEntry = true,
                                .displayRenew = false,
                                .dblClickVoip = true,
                                .closeToTray = true,
                                .saveHistory = true};
    INIData::SaveSettings(record);

    // Keys of "User" appear in the order they were written.
    const QByteArray text = ReadIniText();
    QByteArrayList lines;
    for (const QByteArray& line : text.split('\n'))
        if (!line.trimmed().isEmpty())
            lines.append(line.trimmed());
    EXPECT_EQ(lines.join(' '), "[CHAT] port=2600 [User] locationlist=A,B grouplist=開発部 "
                               "aliase=花子 castAddrList=10.0.0.255 mailAddress=hana@example.jp "
                               "media=3 hostlist=1 autoAnswer=0 autoEntry=1 displayRenew=0 "
                               "dblClickVoip=1 closeToTray=1 saveHistory=1");
    EXPECT_FALSE(text.contains("-1"));
    EXPECT_EQ(INIData::LoadSettings(), record);
}

TEST_F(Settings, WindowPositionsNeedFourSmallWholeNumbers)
{
    struct Case {
        const char* stored;
        bool found;
    };
    const Case cases[] = {
        {"10,20,300,400", true},
        {" 10 , 20 ,300, 400 ", true},
        {"-5,-6,300,400", true},
        {"10,20,300", false},       // three fields
        {"10,20,300,400,5", false}, // five fields
        {"", false},
        {"a,20,300,400", false},
        {"10,20,70000,400", false}, // beyond 16 bits
        {"10,,300,400", false},
    };
    for (const Case& c : cases) {
        INIData::WriteIniString(QStringLiteral("Others"), QStringLiteral("ChatFormFormPOS"),
                                QString::fromUtf8(c.stored));
        const INIData::FormPosition p =
            INIData::ReadFormPosition(QStringLiteral("ChatFormFormPOS"));
        EXPECT_EQ(p.found, c.found) << c.stored;
    }
}

TEST_F(Settings, TraceLogWritesTimedLinesOnlyInDebugMode)
{
    const QDateTime when(QDate(2024, 3, 5), QTime(7, 8, 9));
    EXPECT_EQ(FormatTraceLine(when, QStringLiteral("x")), QStringLiteral("2024 3/5 7:08:09 x"));
    const QDateTime late(QDate(2024, 12, 25), QTime(23, 59, 0));
    EXPECT_EQ(FormatTraceLine(late, QStringLiteral("y")), QStringLiteral("2024 12/25 23:59:00 y"));
    EXPECT_EQ(FormatTraceLine(late, QStringLiteral("a\r\n2024 1/1 0:00:00 b\x1b")),
              QStringLiteral("2024 12/25 23:59:00 a\\r\\n2024 1/1 0:00:00 b\\x1b"));

    InitTraceLogPath();
    EXPECT_EQ(TraceLogPath(), SettingsPath(QStringLiteral("Palavo.log")));
    QFile log(TraceLogPath());

    TraceLog(QStringLiteral("silent"));
    EXPECT_FALSE(log.exists()) << "debug is off";

    SetTraceLogDebug(1);
    TraceLog(QStringLiteral("第一"));
    TraceLog(QStringLiteral("second"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(" 第一\r")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(" second\r"));
    EXPECT_TRUE(lines[2].isEmpty());

    // Any other value is off too.
    const qint64 written = QFile(TraceLogPath()).size();
    SetTraceLogDebug(2);
    TraceLog(QStringLiteral("third"));
    EXPECT_EQ(QFile(TraceLogPath()).size(), written);
}
