// One call from request to end on both sides, with its status window: asking, busy
// refusals, ringing, accepting (by hand and automatically), refusals, withdrawals, the
// caller's automatic answer, talking and hanging up.
#include "CallFixture.h"

#include "support/EventWaiter.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using P = rtc::ParticipantState;

namespace
{
// The call buttons on offer, "accept/drop/reject" with "-" for a hidden one.
QString Buttons(const RtcStatusForm* form)
{
    return QStringLiteral("%1/%2/%3")
        .arg(form->btnAccept->isVisible() ? "accept" : "-",
             form->btnDrop->isVisible() ? "drop" : "-",
             form->btnReject->isVisible() ? "reject" : "-");
}

void Click(QPushButton* button)
{
    ASSERT_TRUE(button->isVisible() && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}
} // namespace

TEST_F(Calls, TheCallerAsksOnceAndWaitsInItsWindow)
{
    struct Case {
        int media;
        bool video, t120;
        const char* request;
    };
    const Case cases[] = {
        {1, true, true, "ReqStartVoIP(10.0.0.2,5070,0,1)"}, // no video on this machine
        {3, true, false, "ReqStartVoIP(10.0.0.2,5070,1,0)"},
        {3, false, false, "ReqStartVoIP(10.0.0.2,5070,0,0)"},
    };
    for (const Case& c : cases) {
        chat.Journal.clear();
        Init(c.media);
        RtcStatusForm* form = Requested(c.video, c.t120);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->windowTitle(), "音声チャット for 花子");
        EXPECT_EQ(form->lblStatus->text(), "相手の承諾を待っています");
        EXPECT_EQ(Buttons(form), "-/drop/-");
        manager->RequestConnect("10.0.0.3", QStringLiteral("次郎"), false, false); // ignored
        EXPECT_EQ(chat.Journal, QStringList({c.request}));
        EXPECT_EQ(manager->StatusForm(), form);
        manager->StopAllSession();
    }
}

TEST_F(Calls, WithoutAWorkingClientARequestIsRefusedAndTheNextIsPossible)
{
    for (int media : {-1, 4}) { // never initialised; whiteboard only, no audio bit
        boxes.Clear();
        if (media >= 0)
            Init(media);
        Requested();
        Requested();
        EXPECT_EQ(BoxTexts(),
                  QStringList(2, "エラー|初期化が失敗しているので、VOIP通信できません"));
        EXPECT_EQ(manager->StatusForm(), nullptr);
        EXPECT_FALSE(manager->IsUsing());
    }
    EXPECT_TRUE(chat.Journal.isEmpty());
}

TEST_F(Calls, AClientThatCannotStartForTheCallRefusesTheRequestWithItsReason)
{
    Init(1);
    Client().Log->FailAt = "PrepareForCall";
    Requested();
    EXPECT_EQ(BoxTexts(), QStringList({"エラー|RTC(MediaTypes=3)の初期化に失敗しました(fake "
                                       "failure in PrepareForCall)"}));
    EXPECT_EQ(manager->StatusForm(), nullptr);
    EXPECT_FALSE(manager->IsUsing());
    EXPECT_TRUE(chat.Journal.isEmpty()) << "nothing asked of the partner";
}

// A request that cannot ring is refused at once, without a window: one during a call (being
// asked, ringing, talking), or one whose port nobody can call.
TEST_F(Calls, ARequestThatCannotRingIsRefusedAtOnceWithoutAWindow)
{
    Init(1);
    const std::pair<std::function<void()>, int32_t> cases[] = {
        {[this] { Requested(); }, 5060},
        {[this] { Offered(); }, 5060},
        {[this] {
             Requested();
             Client().RaiseIncomingSession();
             RaiseParticipant(P::Connected);
         },
         5060},
        {[] {}, 0},
        {[] {}, 65536},
    };
    for (const auto& [makeBusy, port] : cases) {
        makeBusy();
        RtcStatusForm* form = manager->StatusForm();
        const bool busy = manager->IsUsing();
        chat.Journal.clear();
        const QStringList before = Ops();
        notifications.shown.clear();
        manager->VoIPRequestOffered("10.0.0.3", QStringLiteral("次郎"), port, false, false);
        EXPECT_TRUE(notifications.shown.empty()) << "nothing rings";
        EXPECT_EQ(chat.Journal, QStringList({"RejectVoIP(10.0.0.3)"}));
        EXPECT_EQ(manager->StatusForm(), form);
        EXPECT_EQ(manager->IsUsing(), busy);
        EXPECT_EQ(Ops(), before) << "no ring";
        manager->StopAllSession();
    }
}

TEST_F(Calls, TheCalleeRingsThreeTimesTwoAndAHalfSecondsApart)
{
    Init(1);
    RtcStatusForm* form = Offered();
    EXPECT_EQ(form->windowTitle(), "音声チャット for 花子");
    EXPECT_EQ(form->lblStatus->text(), "花子さんから音声チャットのお誘いです");
    EXPECT_EQ(Buttons(form), "accept/-/reject");
    ASSERT_EQ(notifications.shown.size(), 1u);
    EXPECT_EQ(notifications.shown[0].first.Text, form->lblStatus->text());
    form->hide();
    notifications.shown[0].second();
    EXPECT_TRUE(form->isVisible()) << "the notification brings the call window";
    EXPECT_EQ(manager->RingerTimer.interval(), 2500);
    // Rings at 0, 2.5 and 5 seconds; the tick at 7.5 seconds only ends the ringing.
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_TRUE(manager->RingerTimer.isActive());
        manager->RingerTimer_Timer();
    }
    EXPECT_FALSE(manager->RingerTimer.isActive());
    EXPECT_EQ(Ops(), QStringList(3, "PlayRing(1)"));
    EXPECT_TRUE(manager->IsUsing());
}

TEST_F(Calls, AcceptingStopsTheRingAndCallsTheCallerOnce)
{
    struct Case {
        bool video, t120; // what the caller asked for
        int option;       // our media option
        int media;        // what the call is placed with
    };
    const Case cases[] = {{false, false, 0, 3}, {true, false, 2, 15}, {true, false, 0, 3},
                          {false, true, 4, 19}, {true, true, 6, 31},  {false, true, 2, 3}};
    for (const Case& c : cases) {
        Init(7);
        settings.setMediaOption(c.option);
        RtcStatusForm* form = Offered(c.video, c.t120, 5072);
        Click(form->btnAccept);
        Click(form->btnAccept); // a second click places no second call
        EXPECT_EQ(Ops(),
                  QStringList({"PlayRing(1)", "PlayRing(0)",
                               QStringLiteral("SetPreferredMediaTypes(%1,0)").arg(c.media),
                               "CreateSession", "AddParticipant(someone@10.0.0.2:5072,自分)"}))
            << c.option;
        EXPECT_EQ(TakeTrace(),
                  QStringList(
                      {QStringLiteral("SipInvite(someone@10.0.0.2:5072, media=%1)").arg(c.media)}));
        EXPECT_EQ(form->lblStatus->text(), "処理中です");
        EXPECT_FALSE(manager->RingerTimer.isActive());
        manager->StopAllSession();
    }
    EXPECT_TRUE(chat.Journal.filter("RejectVoIP").isEmpty());
}

TEST_F(Calls, AFailedPlacementIsShownAndTheWindowCanStillRefuse)
{
    for (const char* step : {"SetPreferredMediaTypes", "CreateSession", "AddParticipant"}) {
        boxes.Clear();
        Init(1);
        RtcStatusForm* form = Offered();
        Client().Log->FailAt = QLatin1String(step);
        Click(form->btnAccept);
        EXPECT_EQ(BoxTexts(), QStringList({"エラー|fake failure in " + QLatin1String(step)}));
        if (Client().Sessions.size() == 1) { // made before the failure: ended
            EXPECT_EQ(Ops().last(), "Terminate(0)");
        }
        Click(form->btnReject);
        EXPECT_EQ(chat.Journal.last(), "RejectVoIP(10.0.0.2)");
        EXPECT_FALSE(manager->IsUsing());
    }
}

TEST_F(Calls, AutomaticAnswerAcceptsAfterOneSecondOnlyWhenOn)
{
    for (bool on : {false, true}) {
        settings.setAutoAnswer(on);
        Init(1);
        RtcStatusForm* form = Offered();
        ASSERT_EQ(form->TimerAutoAnswer.isActive(), on);
        if (on) {
            EXPECT_EQ(form->TimerAutoAnswer.interval(), 1000);
            EXPECT_TRUE(WaitUntil([this] { return Ops().contains("CreateSession"); }));
            EXPECT_FALSE(form->TimerAutoAnswer.isActive()) << "one answer only";
        }
        EXPECT_EQ(Ops().contains("CreateSession"), on);
        manager->StopAllSession();
    }
}

TEST_F(Calls, ARefusalClosesTheCallersWindowAfterTwoSeconds)
{
    Init(1);
    QPointer<RtcStatusForm> form = Requested();
    manager->VoIPRequestRejected("10.0.0.2");
    EXPECT_EQ(form->lblStatus->text(), "相手が拒否しました");
    EXPECT_EQ(form->Timer1.interval(), 2000);
    EXPECT_FALSE(manager->IsUsing());
    form->Timer1_Timer();
    Settle();
    EXPECT_TRUE(form.isNull());
}

TEST_F(Calls, DroppingARequestBeforeTheAnswerOnlyWithdrawsIt)
{
    Init(1);
    QPointer<RtcStatusForm> form = Requested();
    Click(form->btnDrop);
    EXPECT_EQ(chat.Journal,
              QStringList({"ReqStartVoIP(10.0.0.2,5070,0,0)", "ReqStopVoIP(10.0.0.2)"}));
    EXPECT_EQ(Ops(), QStringList()) << "no session operation";
    EXPECT_FALSE(manager->IsUsing());
    Settle();
    EXPECT_TRUE(form.isNull());
}

TEST_F(Calls, AWithdrawnRequestStopsTheRingAndClosesTheWindowAfterATenth)
{
    Init(1);
    QPointer<RtcStatusForm> form = Offered();
    manager->VoIPRequestStopped("10.0.0.2");
    EXPECT_EQ(form->Timer1.interval(), 100);
    EXPECT_EQ(Ops().last(), "PlayRing(0)");
    EXPECT_FALSE(manager->IsUsing());
    Click(form->btnAccept); // too late: no call is placed
    EXPECT_FALSE(Ops().contains("CreateSession"));
    EXPECT_TRUE(WaitUntil([&form] { return form.isNull(); })) << "closed by its timer";
}

TEST_F(Calls, TheCallerAnswersTheCalleeAndTalksUntilThePartnerHangsUp)
{
    Init(7);
    QPointer<RtcStatusForm> form = Requested();
    Client().RaiseIncomingSession();
    RaiseParticipant(P::Connected);
    EXPECT_EQ(form->lblStatus->text(), "通話中です");
    EXPECT_EQ(Buttons(form), "-/drop/-");
    // The call did not offer sharing: the buttons show but cannot be used.
    EXPECT_TRUE(form->WbButton->isVisible() && form->AppButton->isVisible());
    EXPECT_FALSE(form->WbButton->isEnabled() || form->AppButton->isEnabled());
    RaiseParticipant(P::Disconnected);
    EXPECT_EQ(form->lblStatus->text(), "相手が切断しました");
    EXPECT_EQ(form->Timer1.interval(), 1000);
    EXPECT_FALSE(manager->IsUsing());
    EXPECT_EQ(Ops(), QStringList({"SetPreferredMediaTypes(3,0)", "Answer",
                                  "SetPreferredMediaTypes(31,0)"}));
    EXPECT_EQ(TakeTrace(), QStringList({"RTCE_SESSION_STATE_CHANGE.RTCSS_INCOMING",
                                        "RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_CONNECTED",
                                        "RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_DISCONNECTED"}));
}

TEST_F(Calls, AnUnaskedIncomingCallIsEndedNotAnswered)
{
    Init(1);
    Client().RaiseIncomingSession(); // idle
    Offered();
    Client().RaiseIncomingSession(); // ringing as the callee
    EXPECT_EQ(Ops(), QStringList({"Terminate(0)", "PlayRing(1)", "Terminate(0)"}));
}

TEST_F(Calls, TheEndOfACallTurnedAwayLeavesTheRingingCallAlone)
{
    Init(1);
    const QPointer<RtcStatusForm> form = Offered();
    const auto stranger = Client().RaiseIncomingSession(QStringLiteral("someone@10.0.0.9"));
    Client().Sink()->OnParticipantStateChange(stranger->Participants[0], P::Disconnected);
    Settle();
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->btnAccept->isVisible());
    EXPECT_TRUE(manager->IsUsing());
}

TEST_F(Calls, HangingUpEndsTheSessionAndAnUnwatchedConnectionEnds)
{
    Init(1);
    RtcStatusForm* form = Offered();
    Click(form->btnAccept);
    RaiseParticipant(P::Connected);
    Click(form->btnDrop);
    EXPECT_EQ(Ops().mid(5),
              QStringList({"RemoveParticipant(someone@10.0.0.2:5060)", "Terminate(0)"}));
    EXPECT_TRUE(chat.Journal.isEmpty()) << "no withdrawal once the call exists";
    EXPECT_FALSE(manager->IsUsing());
    RaiseParticipant(P::Connected); // connected after its window went
    EXPECT_EQ(Ops().last(), "Terminate(0)");
    EXPECT_EQ(Ops().size(), 8);
}

TEST_F(Calls, TheCalleesRefusalOrCloseBoxIsSentAndTheManagerIsFree)
{
    Init(1);
    for (bool closeBox : {false, true}) {
        chat.Journal.clear();
        RtcStatusForm* form = Offered();
        ASSERT_NE(form, nullptr);
        closeBox ? void(form->close()) : Click(form->btnReject);
        EXPECT_EQ(chat.Journal, QStringList({"RejectVoIP(10.0.0.2)"}));
        EXPECT_EQ(Ops().last(), "PlayRing(0)");
        ASSERT_FALSE(manager->IsUsing());
    }
    // The caller's close box withdraws the request.
    chat.Journal.clear();
    Requested()->close();
    EXPECT_EQ(chat.Journal.mid(1), QStringList({"ReqStopVoIP(10.0.0.2)"}));
    EXPECT_FALSE(manager->IsUsing());
}

TEST_F(Calls, StopAllSessionWithdrawsARingingRequestAndClosesItsWindow)
{
    Init(1);
    RtcStatusForm* form = Offered();
    manager->StopAllSession();
    EXPECT_EQ(chat.Journal, QStringList({"ReqStopVoIP(10.0.0.2)"}));
    EXPECT_EQ(form->Timer1.interval(), 100);
    EXPECT_TRUE(form->Timer1.isActive());
    EXPECT_FALSE(manager->RingerTimer.isActive()) << "the bell stops with the call";
    EXPECT_FALSE(manager->IsUsing());
}
