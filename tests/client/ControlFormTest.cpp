#include "ClientTestSupport.h"
#include "FakeComponent.h"

#include "client/ChatInfo.h"
#include "client/ControlForm.h"
#include "client/IControlFormEvents.h"
#include "client/IVoiceCallRequests.h"
#include "platform/ClassRegistry.h"

#include <QVariant>

namespace
{

const QString FakeProgId = QStringLiteral("Test.FakePalavoIF");

template <typename... Args> QString Line(const Args&... args)
{
    QStringList parts;
    (parts.append(QVariant::fromValue(args).toString()), ...);
    return parts.join(u' ');
}

// What the main control and the call manager hear, one line an event.
class RecordingControl : public IControlFormEvents, public IVoiceCallRequests
{
public:
    using S = const QString&;

    void OnAddMember(S ip, int32_t port, bool exist, S location, S aliase, S host, S user,
                     S groups) override
    {
        Heard.append(Line(1, ip, port, exist, location, aliase, host, user, groups));
    }
    void OnDeleteMember(S ip) override { Heard.append(Line(2, ip)); }
    void OnRecvMessage(S ip, int32_t port, S group, S message, bool secret) override
    {
        Heard.append(Line(3, ip, port, group, message, secret));
    }
    void OnRecvGroupMessage(S ip, int32_t port, S group, S message) override
    {
        Heard.append(Line(4, ip, port, group, message));
    }
    void OnChangeMember(S ip, bool exist, S location) override
    {
        Heard.append(Line(5, ip, exist, location));
    }
    void OnAutoResponsed(S ip, S message) override { Heard.append(Line(6, ip, message)); }
    void VoIPRequestOffered(S ip, S aliase, int32_t port, bool video, bool capT120) override
    {
        Heard.append(Line(QStringLiteral("offered"), ip, aliase, port, video, capT120));
    }
    void VoIPRequestRejected(S ip) override { Heard.append(Line(QStringLiteral("rejected"), ip)); }
    void VoIPRequestStopped(S ip) override { Heard.append(Line(QStringLiteral("stopped"), ip)); }

    QStringList Heard;
};

class Bridge : public ClientTest
{
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        m_registry.RegisterClass(
            FakeProgId, {QStringLiteral("fake"), [script = m_script]() -> std::unique_ptr<QObject> {
                             return std::make_unique<FakeComponent>(script);
                         }});
        m_form = std::make_unique<ControlForm>(m_registry, m_services, m_info, nullptr, FakeProgId);
        m_form->SetListener(&m_control);
    }
    void TearDown() override
    {
        m_form.reset();
        ClientTest::TearDown();
    }

    bool EnterAsTaro()
    {
        return m_form->Entry(QStringLiteral("太郎"), 2425, QStringLiteral("開発,営業"),
                             QStringLiteral("10.0.0.255"), QStringLiteral("taro@example.jp"), true);
    }
    QStringList Journal() const { return m_script->Journal; }
    // "caption|text" of every box shown, and forget them.
    QStringList TakeBoxes()
    {
        QStringList texts;
        for (const MessageBoxRequest& box : m_boxes.Shown())
            texts.append(box.Caption + u'|' + box.Text);
        m_boxes.Clear();
        return texts;
    }

    // The component's events, as its connection point delivers them to the bridge.
    IPalavoIFEvents& Events() { return *m_script->Sinks.at(0); }

    ClassRegistry m_registry;
    std::shared_ptr<FakeComponent::Script> m_script = std::make_shared<FakeComponent::Script>();
    std::unique_ptr<ControlForm> m_form;
    RecordingControl m_control;
};

} // namespace

TEST_F(Bridge, EntrySetsThePropertiesInOrder)
{
    EXPECT_EQ(m_form->GetPhase(), 0);
    m_form->Init();
    EXPECT_EQ(m_form->GetPhase(), 1);

    ASSERT_TRUE(EnterAsTaro());
    EXPECT_EQ(Journal(), QStringList({
                             "put_MyAliase(太郎)",
                             "put_MyUserName()",
                             "put_ApplicationName(Palavo XP)",
                             "put_ApplicationVersion(" PALAVO_PROJECT_VERSION ")",
                             "put_MyHostName()",
                             "put_PortNo(2425)",
                             "put_Groups(開発,営業)",
                             "put_BroadCastIPAddresses(10.0.0.255)",
                             "put_MailAddress(taro@example.jp)",
                             "UseHostlist(1)",
                             "Entry(1,)",
                             "get_MyHostName()",
                             "get_MyUserName()",
                         }));
    // The names the component settled on become ours.
    EXPECT_EQ(m_info.host(), QStringLiteral("fake-host"));
    EXPECT_EQ(m_info.username(), QStringLiteral("fake-user"));
    EXPECT_FALSE(m_form->ExitingFlag());
    EXPECT_TRUE(TakeBoxes().isEmpty());
}

TEST_F(Bridge, AnyFailingEntryStepIsReportedAndStopsTheRest)
{
    struct Case {
        const char* member;
        int calls; // the failing one included
    };
    const Case cases[] = {
        {"put_MyAliase", 1}, {"put_ApplicationVersion", 4}, {"UseHostlist", 10},
        {"Entry", 11},       {"get_MyUserName", 13},
    };
    for (const Case& c : cases) {
        m_script->Journal.clear();
        m_script->FailMember = QString::fromUtf8(c.member);
        m_script->FailText = QStringLiteral("失敗: ") + m_script->FailMember;
        ASSERT_TRUE(m_form->ExitChat() == S_OK);
        m_script->Journal.clear();

        EXPECT_FALSE(EnterAsTaro()) << c.member;
        EXPECT_EQ(Journal().size(), c.calls) << c.member;
        EXPECT_EQ(TakeBoxes(), QStringList({"Pala Chat|" + m_script->FailText})) << c.member;
        EXPECT_TRUE(m_form->ExitingFlag()) << "a failed entry leaves the flag" << c.member;
        EXPECT_TRUE(TakeErrorInfo().Description.isEmpty()) << "the description is consumed";
    }
}

TEST_F(Bridge, ClosingDropsExactlyOnce)
{
    for (const bool exitFirst : {false, true}) {
        m_form.reset();
        m_script->Journal.clear();
        m_script->Sinks.clear();
        m_form = std::make_unique<ControlForm>(m_registry, m_services, m_info, nullptr, FakeProgId);
        ASSERT_TRUE(EnterAsTaro());
        if (exitFirst)
            m_form->ExitChat();
        m_form.reset();
        EXPECT_EQ(Journal().count(QStringLiteral("Drop()")), 1) << exitFirst;
        // The bridge's sink is gone with it, so the component must not call it again.
        EXPECT_EQ(m_script->Sinks, std::vector<IPalavoIFEvents*>{nullptr}) << exitFirst;
    }
}

TEST_F(Bridge, MessagesChooseTheComponentMember)
{
    m_form->SendChatMessage(QStringLiteral("10.0.0.2"), QStringLiteral("hi"), {});
    m_form->SendChatMessage(QStringLiteral("10.0.0.2"), QStringLiteral("hi all"),
                            QStringLiteral("開発"));
    m_form->SendGroupChatMessage(QStringLiteral("nobody"), {});
    m_form->SendGroupChatMessage(QStringLiteral("cast"), QStringLiteral("開発"));
    m_form->UpdatePresence(true, {}, {});
    m_form->UpdatePresence(false, QStringLiteral("会議室"), QStringLiteral("15時まで"));
    EXPECT_EQ(Journal(), QStringList({
                             "SendPrivateMessage(10.0.0.2,1,hi)",
                             "SendGroupMessage(10.0.0.2,1,hi all,開発)",
                             "CastGroupMessage(cast,開発)",
                             "UpdatePresense(1,,不在())",
                             "UpdatePresense(0,会議室,不在(15時まで))",
                         }));
    EXPECT_TRUE(TakeBoxes().isEmpty());

    // Each of them reports a failure itself.
    for (const char* member : {"SendPrivateMessage", "CastGroupMessage", "UpdatePresense"}) {
        m_script->FailMember = QString::fromUtf8(member);
        m_form->SendChatMessage(QStringLiteral("10.0.0.2"), QStringLiteral("x"), {});
        m_form->SendGroupChatMessage(QStringLiteral("x"), QStringLiteral("g"));
        m_form->UpdatePresence(false, {}, {});
        EXPECT_EQ(TakeBoxes(), QStringList({"Pala Chat|" + m_script->FailText})) << member;
    }
}

TEST_F(Bridge, RefusedFilesAndCallsAreExplained)
{
    for (const int32_t result : {0, -1, 1}) {
        m_script->Result = result;
        EXPECT_EQ(m_form->SendFile(QStringLiteral("10.0.0.2"), QStringLiteral("/tmp/a"), {}), S_OK);
        EXPECT_EQ(m_form->RequestVoIP(QStringLiteral("10.0.0.2"), 5060, true, false),
                  result == -1 ? S_FALSE : S_OK);
        const QStringList expected = {"警告|相手は、ファイル受信できるユーザではありません",
                                      "警告|相手は、音声チャットできるユーザではありません"};
        EXPECT_EQ(TakeBoxes(), result == -1 ? expected : QStringList()) << result;
        // Each refusal beeps first, through the desktop's beep.
        EXPECT_EQ(m_beeps.Beeps.size(), result == -1 ? 2u : 0u) << result;
        m_beeps.Beeps.clear();
    }
    EXPECT_EQ(Journal().mid(0, 2),
              QStringList({"FileTransfer(10.0.0.2,/tmp/a,)", "RequestVoIP(10.0.0.2,5060,1,0)"}));

    // Other failures are the caller's, with the description left for it.
    m_script->FailMember = QStringLiteral("FileTransfer");
    EXPECT_TRUE(FAILED(m_form->SendFile(QStringLiteral("10.0.0.2"), {}, {})));
    EXPECT_EQ(TakeErrorInfo().Description, m_script->FailText);
    EXPECT_TRUE(TakeBoxes().isEmpty());

    QString tool = QStringLiteral("stale");
    QString mail = QStringLiteral("stale");
    m_script->FailMember = QStringLiteral("GetAppInfo");
    EXPECT_TRUE(FAILED(m_form->GetUserDetail(QStringLiteral("10.0.0.2"), tool, mail)));
    EXPECT_TRUE(tool.isEmpty() && mail.isEmpty());
    TakeErrorInfo();
}

TEST_F(Bridge, ComponentEventsReachTheMainControl)
{
    IPalavoIFEvents& events = Events();
    events.MemberAdded("10.0.0.2", 2425, 1, "会議室", "花子", "pc2", "hana", "開発,営業");
    events.PresenseNotified("10.0.0.2", 0, "昼飯中");
    events.MessageReceived("10.0.0.2", 2425, "", "やあ", 1);
    events.GroupMessageReceived("10.0.0.2", 2425, "開発", "みなさん");
    events.AutoResponsedNotification("10.0.0.2", "不在()");
    events.XmlMessageReceived("10.0.0.2", 2425, "<Command>x</Command>");
    events.MemberDeleted("10.0.0.2");
    EXPECT_EQ(m_control.Heard, QStringList({
                                   "1 10.0.0.2 2425 true 会議室 花子 pc2 hana 開発,営業",
                                   "5 10.0.0.2 false 昼飯中",
                                   "3 10.0.0.2 2425  やあ true",
                                   "4 10.0.0.2 2425 開発 みなさん",
                                   "6 10.0.0.2 不在()",
                                   "2 10.0.0.2",
                               }));
    EXPECT_TRUE(Journal().isEmpty());
}

TEST_F(Bridge, CallRequestsGoToTheManagerOrAreRefused)
{
    IPalavoIFEvents& events = Events();
    // Voice chat unavailable: refused at once, silently.
    events.VoIPRequestReceived("10.0.0.2", "花子", 5070, 1, 0);
    events.VoIPRejectReceived("10.0.0.2");
    events.VoIPRequestStopReceived("10.0.0.2");
    EXPECT_EQ(Journal(), QStringList({"RejectVoIP(10.0.0.2)"}));
    EXPECT_TRUE(m_control.Heard.isEmpty());
    EXPECT_TRUE(TakeBoxes().isEmpty());

    m_form->SetVoiceCallManager(&m_control);
    events.VoIPRequestReceived("10.0.0.3", "次郎", 5070, 0, -1);
    events.VoIPRejectReceived("10.0.0.3");
    events.VoIPRequestStopReceived("10.0.0.3");
    EXPECT_EQ(m_control.Heard, QStringList({"offered 10.0.0.3 次郎 5070 false true",
                                            "rejected 10.0.0.3", "stopped 10.0.0.3"}));
    EXPECT_EQ(Journal().size(), 1);
}

TEST_F(Bridge, ComponentComesFromTheRegistry)
{
    // Nothing registered under the name: entry fails with a reason instead of crashing.
    ControlForm orphan(m_registry, m_services, m_info, nullptr,
                       QStringLiteral("Test.NotRegistered"));
    EXPECT_EQ(orphan.Component(), nullptr);
    EXPECT_FALSE(orphan.Entry(QStringLiteral("a"), 2425, {}, {}, {}, false));
    const QStringList boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.front().startsWith(QStringLiteral("Pala Chat|")));

    ControlForm real(m_registry, m_services, m_info);
    EXPECT_NE(real.Component(), nullptr);
    EXPECT_EQ(real.objectName(), QStringLiteral("virtualChat"));
}
