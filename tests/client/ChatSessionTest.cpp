#include "SessionTestSupport.h"
#include "support/EventWaiter.h"

#include "client/ChatSession.h"
#include "client/ControlForm.h"
#include "client/IChatSessionView.h"
#include "component/ErrorInfo.h"
#include "platform/ClassRegistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>

TEST_F(Session, StartsOutOfTheNetworkWithTheGroupsOffered)
{
    ChatSession& session = Start("[User]\naliase=自分\ngrouplist=開発,営業,開発\n");
    EXPECT_FALSE(session.EntryState());
    EXPECT_EQ(m_view.Told, QStringList({"entered 0", "groups 開発,営業", "voice chat off"}));
    EXPECT_EQ(m_view.Filter, ChatSession::AllGroups());
    EXPECT_EQ(session.Groups().Num(), 2);
    EXPECT_EQ(session.VoiceCallManager(), nullptr);
    EXPECT_TRUE(m_script->Journal.isEmpty()) << "nothing reaches the network before entry";
}

TEST_F(Session, EntryWithEachStepFailingStaysOut)
{
    ChatSession& session = Start();
    for (const char* member : {"put_MyAliase", "put_PortNo", "UseHostlist", "Entry",
                               "get_MyHostName", "get_MyUserName"}) {
        m_script->FailMember = QString::fromLatin1(member);
        m_view.Told.clear();
        session.Entry();
        EXPECT_FALSE(session.EntryState()) << member;
        EXPECT_EQ(m_view.Panels[1], QStringLiteral("Connect Error")) << member;
        EXPECT_EQ(m_view.Panels[2], QStringLiteral("RTC OFF")) << member;
        EXPECT_FALSE(m_view.Told.contains(QStringLiteral("entered 1"))) << member;
        EXPECT_EQ(BoxTexts(), QStringList({"Pala Chat|" + m_script->FailText})) << member;
    }
    // The next try may succeed.
    m_script->FailMember.clear();
    session.Entry();
    EXPECT_TRUE(session.EntryState());
    EXPECT_EQ(m_view.Panels[1], QStringLiteral("Online"));
    EXPECT_TRUE(m_view.Told.contains(QStringLiteral("entered 1")));
    EXPECT_EQ(session.Settings().host(), QStringLiteral("fake-host"));
}

TEST_F(Session, CancelEntryForgetsEveryoneAndLeavesOnce)
{
    ChatSession& session = StartEntered("[User]\naliase=自分\ngrouplist=開発\n");
    Enters("10.0.0.2", "花子", "開発");
    ASSERT_EQ(m_view.Rows, QStringList({"10.0.0.2"}));
    session.CancelEntry();
    EXPECT_FALSE(session.EntryState());
    EXPECT_TRUE(m_view.Rows.isEmpty());
    EXPECT_EQ(session.Users().Num(), 0);
    EXPECT_EQ(session.Groups().Num(), 0);
    EXPECT_EQ(m_view.Panels[1], QStringLiteral("Not Connected"));
    EXPECT_EQ(m_view.Panels[2], QStringLiteral("RTC OFF"));
    EXPECT_EQ(m_script->Journal, QStringList({"Drop()"}));
    // Out already: shutting down says nothing more to the network.
    session.ShutDown();
    m_session.reset();
    EXPECT_EQ(m_script->Journal, QStringList({"Drop()"}));
}

TEST_F(Session, RefreshOnlyWhileEntered)
{
    ChatSession& session = Start();
    session.Refresh();
    EXPECT_TRUE(m_script->Journal.isEmpty());

    session.Entry();
    Enters("10.0.0.2", "花子", "");
    m_script->Journal.clear();
    session.Refresh();
    EXPECT_EQ(m_script->Journal, QStringList({"ReEntry()"}));
    EXPECT_TRUE(m_view.Rows.isEmpty());
    EXPECT_EQ(session.Users().Num(), 0);
    // The answers to the new entry list the members again.
    Enters("10.0.0.2", "花子", "");
    EXPECT_EQ(m_view.Rows, QStringList({"10.0.0.2"}));
}

TEST_F(Session, MembersFollowTheGroupFilter)
{
    ChatSession& session = StartEntered("[User]\naliase=自分\ngrouplist=開発,営業\n");
    session.ChooseGroupFilter(QStringLiteral("開発"));
    EXPECT_EQ(m_view.Filter, QStringLiteral("開発"));

    Enters("10.0.0.2", "花子", "営業,開発");
    Enters("10.0.0.3", "次郎", "営業");
    Enters("10.0.0.4", "三郎", "開発", false, "会議室");
    Enters("10.0.0.2", "二度目", "");
    EXPECT_EQ(m_view.Rows, QStringList({"10.0.0.2", "10.0.0.4"}));
    EXPECT_EQ(session.Users().Num(), 3) << "a member announced twice keeps its first record";
    EXPECT_EQ(session.Users().SearchUserAddr(QStringLiteral("10.0.0.2"))->aliase(),
              QStringLiteral("花子"));

    // A hidden member changes too; the view ignores what has no row.
    m_view.Told.clear();
    Events().PresenseNotified("10.0.0.3", 0, "昼飯中");
    Events().PresenseNotified("10.0.0.9", 0, "誰?");
    EXPECT_EQ(m_view.Told, QStringList({"update 10.0.0.3 0 昼飯中"}));
    EXPECT_FALSE(session.Users().SearchUserAddr(QStringLiteral("10.0.0.3"))->Presence());

    // The group window knows its product members; one who leaves leaves it too, even
    // while the filter hides them.
    session.ShowGroupChat();
    ASSERT_EQ(m_groupForms.size(), 1u);
    EXPECT_EQ(m_groupForms[0]->m_group, QStringLiteral("開発"));
    EXPECT_EQ(m_groupForms[0]->m_members.size(), 2u);
    Events().MemberDeleted("10.0.0.4");
    EXPECT_EQ(m_view.Rows, QStringList({"10.0.0.2"}));
    EXPECT_EQ(m_groupForms[0]->m_members.size(), 1u);
    EXPECT_EQ(session.Users().SearchUserAddr(QStringLiteral("10.0.0.4")), nullptr);

    // Every member again.
    session.ChooseGroupFilter(ChatSession::AllGroups());
    EXPECT_EQ(m_view.Rows, QStringList({"10.0.0.2", "10.0.0.3"}));
    EXPECT_EQ(m_view.Filter, ChatSession::AllGroups());
}

TEST_F(Session, TheHostListOffersOnlyTheFirstGroup)
{
    ChatSession& session = Start("[User]\naliase=自分\ngrouplist=開発,営業\nhostlist=1\n");
    EXPECT_TRUE(m_view.Told.contains(QStringLiteral("groups 開発")));
    EXPECT_EQ(session.Groups().Num(), 1);
    // A filter that is not offered falls back to every member.
    session.SelectGroupFilter(QStringLiteral("営業"));
    EXPECT_EQ(session.GroupFilter(), ChatSession::AllGroups());
    session.SelectGroupFilter(QStringLiteral("開発"));
    EXPECT_EQ(session.GroupFilter(), QStringLiteral("開発"));

    session.Entry();
    EXPECT_TRUE(m_script->Journal.contains(QStringLiteral("UseHostlist(1)")));
    // With the host list a member belongs to its first group only.
    Enters("10.0.0.2", "花子", "営業,開発");
    Enters("10.0.0.3", "次郎", "開発");
    Events().GroupMessageReceived("10.0.0.2", 2425, "開発", "届かない");
    Events().GroupMessageReceived("10.0.0.3", 2425, "開発", "届く");
    ASSERT_EQ(m_groupForms.size(), 1u);
    EXPECT_EQ(m_groupForms[0]->m_log.GetCurPos(), 1);
    EXPECT_TRUE(m_groupForms[0]->m_log.GetLog(0).str.endsWith(QStringLiteral("届く")));
}

TEST_F(Session, MessagesReachTheirRecordsButNotOurOwnCast)
{
    StartEntered("[User]\naliase=自分\ngrouplist=開発\n");
    Enters("10.0.0.2", "花子", "開発");
    Enters("10.0.0.1", "自分", "開発");

    Events().MessageReceived("10.0.0.2", 2425, "", "やあ", 1);
    Events().AutoResponsedNotification("10.0.0.2", "不在(会議)");
    Events().MessageReceived("10.0.0.9", 2425, "", "知らない人", 0);
    ASSERT_EQ(m_chatForms.size(), 1u);
    EXPECT_EQ(m_chatForms[0]->m_address, QStringLiteral("10.0.0.2"));
    EXPECT_EQ(m_chatForms[0]->m_log.GetCurPos(), 2);
    EXPECT_TRUE(m_chatForms[0]->m_log.GetLog(1).str.endsWith(QStringLiteral("不在(会議)")));

    // Our own cast comes back to us: the line is in our window already.
    Events().GroupMessageReceived("10.0.0.1", 2425, "開発", "自分の");
    EXPECT_TRUE(m_groupForms.empty());
    Events().GroupMessageReceived("10.0.0.2", 2425, "開発", "みなさん");
    ASSERT_EQ(m_groupForms.size(), 1u);
    EXPECT_EQ(m_groupForms[0]->m_log.GetCurPos(), 1);
}

TEST_F(Session, PresenceAndMemoGoToTheNetwork)
{
    ChatSession& session = StartEntered();
    session.SetAbsence(QStringLiteral("会議室"), QStringLiteral("14時に戻ります"));
    session.SetPresent(true);
    session.SetPresent(false);
    EXPECT_EQ(m_script->Journal, QStringList({"UpdatePresense(0,会議室,不在(14時に戻ります))",
                                              "UpdatePresense(1,,不在())",
                                              "UpdatePresense(0,会議室,不在(14時に戻ります))"}));
    EXPECT_FALSE(session.Settings().Presence());
    // Entry always enters present.
    session.CancelEntry();
    EXPECT_TRUE(session.Settings().Presence());
}

// The probe's answer may still be on its way when the window shows: it is asked for once,
// at the first tick of the initial timer.
TEST_F(Session, TheProbeIsAskedOnceAfterStartUp)
{
    m_calls->Starts = true;
    m_calls->Media = 1;
    ChatSession& session = Start("[User]\naliase=自分\n");
    EXPECT_EQ(m_calls->Journal, QStringList({"Init 0 dummy"}));
    EXPECT_TRUE(WaitUntil([&] { return m_calls->Journal.size() == 2; }));
    EXPECT_EQ(session.MediaCapabilities(), 1);
    EXPECT_EQ(m_calls->Journal, QStringList({"Init 0 dummy", "GetMediaCapabilities"}));
}

TEST_F(Session, VoiceChatFollowsTheProbe)
{
    m_calls->Starts = true;
    m_calls->Media = 3;
    ChatSession& session = StartEntered();
    EXPECT_EQ(session.MediaCapabilities(), 3);
    EXPECT_EQ(m_view.Panels[2], QStringLiteral("RTC ON"));
    EXPECT_EQ(m_beeps.Beeps.size(), 1u);
    EXPECT_EQ(m_calls->Journal,
              QStringList({"Init 0 dummy", "GetMediaCapabilities", "Init 3 fake-user"}));
    ASSERT_NE(session.VoiceCallManager(), nullptr);
    // A peer's call goes to the manager now, and cancel entry ends every call.
    Events().VoIPRequestReceived("10.0.0.2", "花子", 5060, 0, 0);
    session.CancelEntry();
    EXPECT_EQ(m_calls->Journal.mid(3), QStringList({"offered 10.0.0.2", "StopAllSession"}));
    EXPECT_FALSE(m_script->Journal.contains(QStringLiteral("RejectVoIP(10.0.0.2)")));
}

TEST_F(Session, AFailedFileOrCallRequestIsShownAndNotLeftBehind)
{
    ChatSession& session = StartEntered();
    m_script->FailText =
        QStringLiteral("ファイル転送用のポートを作れませんでした(Server PortNo=2426)\nERROR = 98");
    for (const char* member : {"FileTransfer", "RequestVoIP"}) {
        m_script->FailMember = QString::fromLatin1(member);
        if (m_script->FailMember == QStringLiteral("FileTransfer"))
            session.SendFile(QStringLiteral("10.0.0.2"), QStringLiteral("/tmp/a"), {});
        else
            session.ReqStartVoIP(QStringLiteral("10.0.0.2"), 5060, false, false);
        EXPECT_EQ(BoxTexts(), QStringList({"Pala Chat|" + m_script->FailText})) << member;
        EXPECT_TRUE(TakeErrorInfo().Description.isEmpty()) << "nothing stale for the next caller";
    }
}

TEST_F(Session, AutomaticEntryFollowsTheStartUpTimer)
{
    ChatSession& session = Start("[User]\naliase=自分\nautoEntry=1\n");
    EXPECT_FALSE(session.EntryState());
    auto* timer = session.findChild<QTimer*>(QStringLiteral("TimerForInitial"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 500);
    QElapsedTimer waited;
    waited.start();
    while (!session.EntryState() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_TRUE(session.EntryState());
}

TEST_F(Session, TheTrayCountsConversationsWithLinesNotYetSeen)
{
    HeadlessTray& tray = m_tray;
    m_services.Tray = &tray;
    ChatSession& session = StartEntered("[User]\naliase=自分\ngrouplist=開発\n");
    EXPECT_EQ(tray.Presence, TrayPresence::Present);
    Enters("10.0.0.2", "花子", "開発");
    Enters("10.0.0.3", "次郎", "開発");
    IPalavoIFEvents& peers = Events();
    peers.MessageReceived("10.0.0.2", 2425, "", "1", 0);
    peers.MessageReceived("10.0.0.2", 2425, "", "2", 0); // two lines, one conversation
    peers.MessageReceived("10.0.0.9", 2425, "", "3", 0); // a stranger opens no window
    peers.AutoResponsedNotification("10.0.0.3", "不在"); // no line the member wrote
    EXPECT_EQ(tray.Unread, 1);
    peers.GroupMessageReceived("10.0.0.3", 2425, "開発", "4");
    EXPECT_EQ(tray.Unread, 2);
    session.ChatSeen("10.0.0.2", {});
    EXPECT_EQ(tray.Unread, 1);
    m_groupForms.at(0)->m_active = true; // the user reads the group's window
    peers.GroupMessageReceived("10.0.0.3", 2425, "開発", "5");
    EXPECT_EQ(tray.Unread, 0);
}

TEST_F(Session, PastTheWindowsOnScreenLinesWaitInOrderForTheirMembersTurn)
{
    m_services.Tray = &m_tray;
    ChatSession& session = StartEntered();
    IPalavoIFEvents& peers = Events();
    const auto address = [](int i) { return QStringLiteral("10.0.1.%1").arg(i); };
    for (int i = 0; i <= ChatWindowLimit::MaxWindows; ++i) {
        peers.MemberAdded(address(i), 2425, 1, "", "m", "pc", "user", "");
        peers.MessageReceived(address(i), 2425, "", "1", 0);
    }
    const QString late = address(ChatWindowLimit::MaxWindows);
    peers.AutoResponsedNotification(late, "2");
    for (int i = 0; i < ChatWindowLimit::MaxHeldLines; ++i) // past the bound: dropped
        peers.MessageReceived(late, 2425, "", "flood", 0);
    EXPECT_EQ(m_chatForms.size(), std::size_t(ChatWindowLimit::MaxWindows));
    EXPECT_EQ(m_tray.Unread, ChatWindowLimit::MaxWindows + 1);
    ASSERT_FALSE(m_notifications.shown.empty()); // under the window's key, one at a time
    EXPECT_EQ(m_notifications.shown.back().first.Key, "chat:" + late);

    m_chatForms[0]->m_shown = false; // the user closes one
    session.ChatSeen(address(0), {});
    QCoreApplication::processEvents();
    ASSERT_EQ(m_chatForms.size(), std::size_t(ChatWindowLimit::MaxWindows) + 1);
    const ChatLog& lines = m_chatForms.back()->m_log;
    EXPECT_EQ(lines.GetCurPos(), ChatWindowLimit::MaxHeldLines);
    EXPECT_TRUE(lines.GetLog(0).str.endsWith(u"\t1") && lines.GetLog(1).str.endsWith(u"\t2"));
}
