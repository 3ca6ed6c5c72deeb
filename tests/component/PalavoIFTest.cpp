#include "component/PalavoIF.h"

#include "ComponentHarness.h"
#include "platform/ClassRegistry.h"
#include "platform/HostInfo.h"
#include "support/EventWaiter.h"
#include "support/FreePort.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const QByteArray Peer = "10.0.0.2";

QString Expected(const QString& systemName)
{
    return systemName.isEmpty() ? QStringLiteral("no_name") : systemName.left(255);
}

// --- Properties -----------------------------------------------------------------

TEST(PalavoIF, OnlyEntrySetsTheUserAndHostNames)
{
    ComponentHarness h;
    QString user = QStringLiteral("caller"), host = QStringLiteral("caller");
    EXPECT_EQ(h.component.put_MyUserName(QStringLiteral("他人")), S_OK);
    EXPECT_EQ(h.component.put_MyHostName(QStringLiteral("other-pc")), S_OK);
    h.component.get_MyUserName(&user);
    h.component.get_MyHostName(&host);
    EXPECT_EQ(user, QString());
    EXPECT_EQ(host, QString());

    ASSERT_EQ(h.component.Entry(1, {}), S_OK);
    const QString logon = Expected(HostInfo::LogonName());
    const QString computer = Expected(HostInfo::ComputerName());
    h.component.put_MyUserName(QStringLiteral("他人"));
    h.component.put_MyHostName(QStringLiteral("other-pc"));
    h.component.get_MyUserName(&user);
    h.component.get_MyHostName(&host);
    EXPECT_EQ(user, logon);
    EXPECT_EQ(host, computer);

    // Peers see the same names in the entry's header.
    ASSERT_EQ(h.sent.size(), 1u);
    const ReceivedPacket entry = ParsePacket(h.sent[0].Bytes, SocketEvent{});
    EXPECT_EQ(Cp932::ToUnicode(entry.UserName), logon);
    EXPECT_EQ(Cp932::ToUnicode(entry.HostName), computer);
}

TEST(PalavoIF, PlainPropertiesKeepWhatWasSet)
{
    using Put = HRESULT (PalavoIF::*)(const QString&);
    using Get = HRESULT (PalavoIF::*)(QString*);
    struct Case {
        Put put;
        Get get;
        QString value;
    };
    const Case cases[] = {
        {&PalavoIF::put_MyAliase, &PalavoIF::get_MyAliase, QStringLiteral("山田（開発）")},
        {&PalavoIF::put_ApplicationName, &PalavoIF::get_ApplicationName,
         QStringLiteral("Palavo XP")},
        {&PalavoIF::put_ApplicationVersion, &PalavoIF::get_ApplicationVersion,
         QStringLiteral("1.0.3")},
        {&PalavoIF::put_BroadCastIPAddresses, &PalavoIF::get_BroadCastIPAddresses,
         QStringLiteral("10.1.255.255, 10.2.255.255")},
        {&PalavoIF::put_MailAddress, &PalavoIF::get_MailAddress,
         QStringLiteral("yamada@example.jp")},
    };
    ComponentHarness h;
    // All set first, then all read: a property stored in another's field shows.
    for (const Case& c : cases)
        EXPECT_EQ((h.component.*c.put)(c.value), S_OK);
    h.component.put_PortNo(3000);
    for (const Case& c : cases) {
        QString value;
        EXPECT_EQ((h.component.*c.get)(&value), S_OK);
        EXPECT_EQ(value, c.value);
    }
    int32_t port = 0;
    h.component.get_PortNo(&port);
    EXPECT_EQ(port, 3000);
}

TEST(PalavoIF, ReadingGroupsLeavesTheCallersValue)
{
    ComponentHarness h;
    EXPECT_EQ(h.component.put_Groups(QStringLiteral("開発部,営業部")), S_OK);
    QString value = QStringLiteral("caller's own");
    EXPECT_EQ(h.component.get_Groups(&value), S_OK);
    EXPECT_EQ(value, QStringLiteral("caller's own"));

    // The groups were stored all the same: the entry announces them.
    h.component.Entry(1, {});
    EXPECT_EQ(h.SentLines(),
              QStringList{QStringLiteral("255.255.255.255:2425 0x1 自分 groups=開発部,営業部")});
}

TEST(PalavoIF, UseHostlistAnnouncesAndKeepsOneGroup)
{
    struct Case {
        VARIANT_BOOL use;
        const char* announced; // our entry's group part
        const char* heard;     // the groups a peer's entry "X,Y" is recorded with
    };
    const Case cases[] = {
        {0, "A,B,C", "X,Y"},
        {-1, "A", "X"}, // VARIANT_TRUE
        {1, "A", "X"},
    };
    for (const Case& c : cases) {
        ComponentHarness h;
        h.component.put_Groups(QStringLiteral("A,B,C"));
        EXPECT_EQ(h.component.UseHostlist(c.use), S_OK);
        h.component.Entry(1, {});
        EXPECT_EQ(h.SentLines(),
                  QStringList{QStringLiteral("255.255.255.255:2425 0x1 自分 groups=") +
                              QLatin1String(c.announced)})
            << c.use;
        h.ReceivePacket(Peer, CMD_ENTRY, "Taro", QByteArrayView("X\0Y", 3));
        ASSERT_FALSE(h.events.isEmpty());
        EXPECT_TRUE(h.events[0].endsWith(QStringLiteral(" ") + QLatin1String(c.heard))) << c.use;
    }
}

class RecordingSite : public IComponentSite
{
public:
    bool OnRequestEdit(int32_t dispid) override
    {
        Calls << QStringLiteral("RequestEdit %1").arg(dispid);
        return Allow;
    }
    void OnChanged(int32_t dispid) override { Calls << QStringLiteral("Changed %1").arg(dispid); }

    bool Allow = true;
    QStringList Calls;
};

TEST(PalavoIF, StockPropertiesAskTheSiteFirst)
{
    struct Case {
        bool backColor; // else BackStyle
        bool hasSite;
        bool allow;
        HRESULT result;
        bool stored;
        QStringList calls;
    };
    const Case cases[] = {
        {true, true, false, S_FALSE, false, {"RequestEdit -501"}},
        {true, true, true, S_OK, true, {"RequestEdit -501", "Changed -501"}},
        {true, false, false, S_OK, true, {}},
        {false, true, false, S_FALSE, false, {"RequestEdit -502"}},
        {false, true, true, S_OK, true, {"RequestEdit -502", "Changed -502"}},
    };
    for (const Case& c : cases) {
        ComponentHarness h;
        RecordingSite site;
        site.Allow = c.allow;
        if (c.hasSite)
            h.component.SetSite(&site);
        int32_t value = -1;
        if (c.backColor) {
            EXPECT_EQ(h.component.put_BackColor(0x336699), c.result);
            OLE_COLOR color = 1;
            h.component.get_BackColor(&color);
            value = static_cast<int32_t>(color);
        } else {
            EXPECT_EQ(h.component.put_BackStyle(1), c.result);
            h.component.get_BackStyle(&value);
        }
        EXPECT_EQ(value, c.stored ? (c.backColor ? 0x336699 : 1) : 0);
        EXPECT_EQ(site.Calls, c.calls);
    }
}

// --- Entry ----------------------------------------------------------------------

TEST(PalavoIF, EntryAlwaysAnnouncesPresence)
{
    struct Case {
        int32_t exist;
        QString location;
        bool absentBefore; // UpdatePresense(0, ...) before Entry
    };
    const Case cases[] = {
        {0, QStringLiteral("会議中"), false},
        {0, QString(), false},
        {1, QStringLiteral("外出"), false},
        {0, QStringLiteral("会議中"), true},
    };
    for (const Case& c : cases) {
        ComponentHarness h;
        if (c.absentBefore)
            h.component.UpdatePresense(0, QStringLiteral("昼食"), QString());
        EXPECT_EQ(h.component.Entry(c.exist, c.location), S_OK);
        EXPECT_EQ(h.SentLines(), QStringList{QStringLiteral("255.255.255.255:2425 0x1 自分")})
            << c.exist << " " << c.location.toStdString();
    }
}

TEST(PalavoIF, EntryFailuresSayWhatFailed)
{
    struct Case {
        bool opens;
        int openError;
        int port;
        bool failBroadcast;
        QString text;
    };
    const Case cases[] = {
        {false, 98, 2425, false,
         QStringLiteral("チャット用のポートを作れませんでした(Server PortNo=2425)\nERROR = 98")},
        {false, 13, 80, false,
         QStringLiteral("チャット用のポートを作れませんでした(Server PortNo=80)\nERROR = 13")},
        {true, 0, 2425, true,
         QStringLiteral("エントリのブロードキャストに失敗しました\nERROR = 101")},
    };
    for (const Case& c : cases) {
        ComponentHarness h;
        h.SocketOpens = c.opens;
        h.OpenError = c.openError;
        h.FailBroadcast = c.failBroadcast;
        h.component.put_PortNo(c.port);
        h.component.put_BroadCastIPAddresses(QStringLiteral("10.0.0.255"));
        EXPECT_EQ(h.component.Entry(1, {}), DISP_E_EXCEPTION);
        const ErrorInfo error = TakeErrorInfo();
        EXPECT_EQ(error.Source, QStringLiteral("PalavoIF"));
        EXPECT_EQ(error.Description, c.text);
        EXPECT_EQ(h.SentLines(), QStringList{}) << "no directed copy after a failed broadcast";
    }
}

TEST(PalavoIF, EntryOpensAgainOnlyAfterAFailedOpen)
{
    struct Case {
        bool opens;
        bool failBroadcast;
        int socketsAfterSecondEntry;
    };
    const Case cases[] = {
        {false, false, 2}, // the failed socket was discarded: the next Entry makes another
        {true, true, 1},   // a failed broadcast keeps the socket
        {true, false, 1},  // a second Entry reuses the open socket
    };
    for (const Case& c : cases) {
        ComponentHarness h;
        h.SocketOpens = c.opens;
        h.FailBroadcast = c.failBroadcast;
        h.component.Entry(1, {});
        TakeErrorInfo();
        h.SocketOpens = true;
        h.FailBroadcast = false;
        if (h.Socket != nullptr)
            h.Socket->FailBroadcast = false;
        h.sent.clear();
        EXPECT_EQ(h.component.Entry(1, {}), S_OK);
        EXPECT_EQ(h.socketsMade, c.socketsAfterSecondEntry);
        EXPECT_EQ(h.SentLines(), QStringList{QStringLiteral("255.255.255.255:2425 0x1 自分")});
    }
}

// --- Messages and information -----------------------------------------------------

TEST(PalavoIF, PrivateMessagesAskForAReceiptWhateverNeedAckSays)
{
    for (const int32_t needAck : {0, 1, -1}) {
        ComponentHarness h;
        h.Enter();
        h.AddMember(Peer, QStringLiteral("太郎"), "Palavo XP 1.0");
        EXPECT_EQ(h.component.SendPrivateMessage(QString::fromLatin1(Peer), needAck,
                                                 QStringLiteral("こんにちは")),
                  S_OK);
        EXPECT_EQ(h.SentLines(), QStringList{QStringLiteral("10.0.0.2:2425 0x120 こんにちは")})
            << needAck;
        EXPECT_TRUE(h.component.Engine().SendBusy());
    }
}

TEST(PalavoIF, InformationOfAnAddressNotInTheTableIsEmpty)
{
    ComponentHarness h;
    h.Enter();
    h.AddMember(Peer, QStringLiteral("太郎"), "Palavo XP 1.0");
    h.ReceivePacket(Peer, CMD_SEND_MAIL, "taro@example.jp");
    struct Case {
        QString address;
        QString appInfo;
        QString mail;
    };
    const Case cases[] = {
        {QStringLiteral("10.0.0.2"), QStringLiteral("Palavo XP 1.0"),
         QStringLiteral("taro@example.jp")},
        {QStringLiteral("10.0.0.9"), QString(), QString()},
        {QStringLiteral("10.0.0.2 "), QString(), QString()}, // addresses compare exactly
        {QString(), QString(), QString()},
    };
    for (const Case& c : cases) {
        QString app = QStringLiteral("stale"), mail = QStringLiteral("stale");
        EXPECT_EQ(h.component.GetAppInfo(c.address, &app), S_OK);
        EXPECT_EQ(h.component.GetMailInfo(c.address, &mail), S_OK);
        EXPECT_EQ(app, c.appInfo) << c.address.toStdString();
        EXPECT_EQ(mail, c.mail) << c.address.toStdString();
    }
}

TEST(PalavoIF, GroupMessagesNeedAGroupName)
{
    const QString noGroup = QStringLiteral("グループ名が指定されていません");
    struct Case {
        bool entered;
        bool cast; // CastGroupMessage, else SendGroupMessage
        QString group;
        HRESULT result;
        QString error;
        QStringList sent;
    };
    const Case cases[] = {
        {false, true, QString(), DISP_E_EXCEPTION, noGroup, {}},
        {false, false, QString(), DISP_E_EXCEPTION, noGroup, {}},
        {true, true, QString(), DISP_E_EXCEPTION, noGroup, {}},
        {true, false, QString(), DISP_E_EXCEPTION, noGroup, {}},
        {false, true, QStringLiteral("開発部"), S_OK, QString(), {}},
        {false, false, QStringLiteral("開発部"), S_OK, QString(), {}},
        {true,
         true,
         QStringLiteral("開発部"),
         S_OK,
         QString(),
         {"255.255.255.255:2425 0x26 皆さんへ groups=開発部"}},
        {true,
         false,
         QStringLiteral("開発部"),
         S_OK,
         QString(),
         {"255.255.255.255:2425 0x420 皆さんへ groups=開発部"}},
    };
    for (const Case& c : cases) {
        ComponentHarness h;
        if (c.entered) {
            h.Enter();
            h.AddMember(Peer, QStringLiteral("太郎"), "Palavo XP 1.0");
        }
        const QString message = QStringLiteral("皆さんへ");
        const HRESULT result =
            c.cast ? h.component.CastGroupMessage(message, c.group)
                   : h.component.SendGroupMessage(QString::fromLatin1(Peer), 0, message, c.group);
        EXPECT_EQ(result, c.result) << c.entered << c.cast;
        const ErrorInfo error = TakeErrorInfo();
        EXPECT_EQ(error.Description, c.error) << c.entered << c.cast;
        if (!c.error.isEmpty()) {
            EXPECT_EQ(error.Source, QStringLiteral("PalavoIF"));
        }
        EXPECT_EQ(h.SentLines(), c.sent) << c.entered << c.cast;
        EXPECT_EQ(h.socketsMade, c.entered ? 1 : 0);
    }
}

TEST(PalavoIF, RejectFileTransferSendsNothing)
{
    for (const bool entered : {false, true}) {
        ComponentHarness h;
        if (entered) {
            h.Enter();
            h.AddMember(Peer, QStringLiteral("太郎"), "Palavo XP 1.0");
        }
        EXPECT_EQ(h.component.RejectFileTransfer(QString::fromLatin1(Peer)), S_OK);
        EXPECT_EQ(h.SentLines(), QStringList{});
        EXPECT_EQ(h.BoxTexts(), QStringList{});
    }
}

// --- Events -----------------------------------------------------------------------

// Unadvises itself from inside the first event it hears.
class LeavingSink : public RecordingSink
{
public:
    LeavingSink(QStringList& log, PalavoIF& component)
        : RecordingSink(log, "leaving"), m_component(component)
    {
    }

    void MemberAdded(const QString& ip, int32_t port, VARIANT_BOOL exist, const QString& location,
                     const QString& alias, const QString& host, const QString& user,
                     const QString& groups) override
    {
        RecordingSink::MemberAdded(ip, port, exist, location, alias, host, user, groups);
        m_component.Unadvise(Cookie);
    }

    int Cookie = 0;

private:
    PalavoIF& m_component;
};

TEST(PalavoIF, EverySinkHearsEveryEventInAdviseOrder)
{
    ComponentHarness h(false);
    QStringList log;
    RecordingSink a(log, "A"), b(log, "B"), c(log, "C");
    EXPECT_EQ(h.component.Advise(nullptr), 0);
    const int cookieA = h.component.Advise(&a);
    const int cookieB = h.component.Advise(&b);
    const int cookieC = h.component.Advise(&c);
    EXPECT_NE(cookieA, cookieB);
    EXPECT_NE(cookieB, cookieC);
    h.Enter();

    h.ReceivePacket(Peer, CMD_EXIT, "Taro"); // not a member: nobody hears anything
    h.ReceivePacket(Peer, CMD_ENTRY, "Taro");
    EXPECT_TRUE(h.component.Unadvise(cookieB));
    EXPECT_FALSE(h.component.Unadvise(cookieB));
    h.ReceivePacket(Peer, CMD_EXIT, "Taro");
    EXPECT_TRUE(h.component.Unadvise(cookieA));
    EXPECT_TRUE(h.component.Unadvise(cookieC));
    h.ReceivePacket(Peer, CMD_ENTRY, "Taro");

    const QString added = QStringLiteral("MemberAdded 10.0.0.2:2425 1 [] Taro host user ");
    EXPECT_EQ(log, (QStringList{"A:" + added, "B:" + added, "C:" + added,
                                "A:MemberDeleted 10.0.0.2", "C:MemberDeleted 10.0.0.2"}));
}

TEST(PalavoIF, ASinkThatLeavesDuringAnEventDoesNotDisturbTheOthers)
{
    ComponentHarness h(false);
    QStringList log;
    RecordingSink a(log, "A"), c(log, "C");
    auto leaving = std::make_unique<LeavingSink>(log, h.component);
    h.component.Advise(&a);
    leaving->Cookie = h.component.Advise(leaving.get());
    h.component.Advise(&c);
    h.Enter();

    h.ReceivePacket(Peer, CMD_ENTRY, "Taro");
    leaving.reset(); // gone for good once it has left
    h.ReceivePacket(Peer, CMD_ABSENCE | OPT_ABSENCE, Cp932::FromUnicode(u"Taro[会議]"));

    const QString added = QStringLiteral("MemberAdded 10.0.0.2:2425 1 [] Taro host user ");
    const QString presence = QStringLiteral("PresenseNotified 10.0.0.2 0 [会議]");
    EXPECT_EQ(log, (QStringList{"A:" + added, "leaving:" + added, "C:" + added, "A:" + presence,
                                "C:" + presence}));
}

// XML commands are consumed inside the component; event 5 exists only in the interface.
TEST(PalavoIF, XmlCommandsNeverRaiseXmlMessageReceived)
{
    const char* texts[] = {
        "<Command>RequestVoIP</Command><PortNo>5060</PortNo><Video>ON</Video>",
        "<Command>RejectVoIP</Command>",
        "<Command>StopReqVoIP</Command>",
        "<Command>FileTransfer</Command><Sender>Taro</Sender><PortNo>2426</PortNo>"
        "<FileName>a.txt</FileName><FileSize>10</FileSize><Comment>x</Comment>",
        "<Command>StopFileTrans</Command>",
        "<Command>RejectFileTrans</Command>",
        "<Command>Hello</Command>",
        "<Greeting>no command</Greeting>",
        "not xml at all",
        "",
    };
    ComponentHarness h;
    h.Enter();
    h.AddMember(Peer, QStringLiteral("太郎"), "Palavo XP 1.0");
    uint32_t packetNo = 600;
    for (const char* text : texts) {
        h.sent.clear();
        h.ReceivePacket(Peer, CMD_XML_MESSAGE | OPT_SEND_CHECK, text, std::nullopt, packetNo);
        // The receipt shows the command reached the XML handler.
        EXPECT_EQ(h.SentLines(), QStringList{QStringLiteral("10.0.0.2:2425 0x29 %1").arg(packetNo)})
            << text;
        ++packetNo;
    }
    EXPECT_EQ(h.events.filter(QStringLiteral("XmlMessageReceived")), QStringList{});
    EXPECT_EQ(h.events.size(), 3) << "the three call commands raise their own events";
}

// --- Configuration ----------------------------------------------------------------

void WriteSettings(const QTemporaryDir& dir, const char* text)
{
    QFile ini(QDir(dir.path()).filePath(QStringLiteral("Palavo.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(text);
}

TEST(PalavoIF, DebugFlagIsReadFromTheSettingsFileOnce)
{
    struct Case {
        const char* settings; // nullptr: no file
        bool debug;
    };
    const Case cases[] = {
        {"[OPTION]\ndebug=1\n", true},
        {"[OPTION]\ndebug=2\n", false},
        {"[OPTION]\ndebug=0\n", false},
        {nullptr, false},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        if (c.settings != nullptr)
            WriteSettings(dir, c.settings);
        PalavoIF::Options options;
        options.SettingsDir = dir.path();
        HeadlessServices services;
        PalavoIF component(services.Services(), std::move(options));
        EXPECT_EQ(component.DebugFlag(), c.debug) << (c.settings ? c.settings : "(no file)");
        // A later change of the file does not reach a component that exists.
        WriteSettings(dir, c.debug ? "[OPTION]\ndebug=0\n" : "[OPTION]\ndebug=1\n");
        EXPECT_EQ(component.DebugFlag(), c.debug);
    }
}

void SendUdp(int port, const QByteArray& bytes)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    sendto(fd, bytes.constData(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address),
           sizeof address);
    close(fd);
}

// The flag goes to the real socket, which keeps the traffic log beside the settings.
TEST(PalavoIF, DebugFlagSwitchesTheTrafficLog)
{
    for (const char* settings : {"[OPTION]\ndebug=1\n", "[OPTION]\ndebug=2\n"}) {
        QTemporaryDir dir;
        WriteSettings(dir, settings);
        PalavoIF::Options options;
        options.SettingsDir = dir.path();
        options.Timing.DropWaitMs = 0;
        HeadlessServices services;
        PalavoIF component(services.Services(), std::move(options));
        QStringList events;
        RecordingSink sink(events);
        component.Advise(&sink);
        const int port = FreePort(SOCK_DGRAM);
        component.put_PortNo(port);
        // Where this machine has no route for broadcasts only the announcement fails;
        // the socket stays open.
        component.Entry(1, {});
        TakeErrorInfo();
        ASSERT_TRUE(component.Engine().IsEntered());

        SendUdp(port, BuildPacket({700, "user", "host"}, CMD_SEND_MESSAGE, "hello"));
        ASSERT_TRUE(WaitUntil([&] { return !events.filter("MessageReceived").isEmpty(); }));
        component.Drop();

        QFile log(QDir(dir.path()).filePath(QStringLiteral("Palavo_socket.log")));
        const bool debug = QByteArray(settings).contains("debug=1");
        if (debug) {
            ASSERT_TRUE(log.open(QIODevice::ReadOnly));
            EXPECT_TRUE(
                QString::fromUtf8(log.readAll()).contains(QStringLiteral("RECV←127.0.0.1:")));
        } else {
            EXPECT_FALSE(log.exists());
        }
    }
}

// --- Registration -----------------------------------------------------------------

TEST(PalavoIF, ProgIdsCreateTheComponentWhileRegistered)
{
    const QString progIds[] = {QStringLiteral("PalavoIF.PalavoIF.1"),
                               QStringLiteral("PalavoIF.PalavoIF")};
    HeadlessServices services;
    ClassRegistry registry;
    EXPECT_EQ(PalavoIFModule::DllRegisterServer(registry, services.Services()), S_OK);
    for (const QString& progId : progIds) {
        const ClassRegistry::ClassEntry* entry = registry.Find(progId);
        ASSERT_NE(entry, nullptr) << progId.toStdString();
        EXPECT_EQ(entry->Description, QStringLiteral("PalavoIF Class"));
        // A host reaches the object through its interfaces, as a container would.
        const std::unique_ptr<QObject> object = registry.Create(progId);
        EXPECT_NE(dynamic_cast<IPalavoIF*>(object.get()), nullptr) << progId.toStdString();
        EXPECT_NE(dynamic_cast<IPalavoIFEventSource*>(object.get()), nullptr)
            << progId.toStdString();
    }
    EXPECT_EQ(registry.Find(QStringLiteral("PalavoIF.PalavoIF.2")), nullptr);

    EXPECT_EQ(PalavoIFModule::DllUnregisterServer(registry), S_OK);
    for (const QString& progId : progIds) {
        EXPECT_EQ(registry.Find(progId), nullptr) << progId.toStdString();
        EXPECT_EQ(registry.Create(progId), nullptr) << progId.toStdString();
    }
}

TEST(PalavoIF, CanUnloadOnlyWithoutLiveComponents)
{
    EXPECT_EQ(PalavoIFModule::DllCanUnloadNow(), S_OK);
    HeadlessServices services;
    std::optional<PalavoIF> first, second;
    first.emplace(services.Services());
    EXPECT_EQ(PalavoIFModule::DllCanUnloadNow(), S_FALSE);
    second.emplace(services.Services());
    first.reset();
    EXPECT_EQ(PalavoIFModule::DllCanUnloadNow(), S_FALSE);
    second.reset();
    EXPECT_EQ(PalavoIFModule::DllCanUnloadNow(), S_OK);
}

} // namespace
