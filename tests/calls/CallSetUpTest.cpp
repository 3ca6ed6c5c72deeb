// One call from request to end, on both sides: asking, ringing, refusing, withdrawing,
// accepting (by hand and automatically), the caller's automatic answer, talking and
// hanging up, each with its status window.
#include "CallFixture.h"

#include "support/EventWaiter.h"
#include "ui/RtcStatusForm.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

using rtc::FakeRtcClient;
using P = rtc::ParticipantState;

namespace
{
// Which of the three call buttons the window offers, as "accept/drop/reject" with "-"
// for a hidden one.
QString Buttons(const RtcStatusForm& form)
{
    return QStringLiteral("%1/%2/%3")
        .arg(form.btnAccept->isVisible() ? "accept" : "-", form.btnDrop->isVisible() ? "drop" : "-",
             form.btnReject->isVisible() ? "reject" : "-");
}

int Rings(const QStringList& operations)
{
    return static_cast<int>(operations.count(QStringLiteral("PlayRing(1)")));
}

bool IsSessionOperation(const QString& line)
{
    for (const char* op :
         {"CreateSession", "AddParticipant", "Answer", "Terminate", "RemoveParticipant"})
        if (line.startsWith(QLatin1String(op)))
            return true;
    return false;
}
} // namespace

TEST_F(Calls, TheCallerAsksAndWaitsInItsWindow)
{
    struct Case {
        int media;
        bool video;
        bool t120;
        const char* request;
    };
    const Case cases[] = {
        {1, false, false, "ReqStartVoIP(10.0.0.2,5070,0,0)"},
        {1, true, true, "ReqStartVoIP(10.0.0.2,5070,0,1)"}, // no video on this machine
        {3, true, false, "ReqStartVoIP(10.0.0.2,5070,1,0)"},
        {3, false, false, "ReqStartVoIP(10.0.0.2,5070,0,0)"},
    };
    for (const Case& c : cases) {
        chat.Journal.clear();
        Manager(c.media);
        QPointer<RtcStatusForm> form = Requested(c.video, c.t120);
        ASSERT_NE(form, nullptr);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->windowTitle(), "音声チャット for 花子");
        EXPECT_EQ(form->lblStatus->text(), "相手の承諾を待っています");
        EXPECT_EQ(Buttons(*form), "-/drop/-");
        EXPECT_EQ(chat.Journal, QStringList({c.request})) << c.media << c.video;
        EXPECT_TRUE(manager->IsUsing());
        EXPECT_EQ(manager->PeerAddress(), "10.0.0.2");
        EXPECT_EQ(manager->PeerAliase(), "花子");

        // A second request while this one runs is ignored.
        manager->RequestConnect(QStringLiteral("10.0.0.3"), QStringLiteral("次郎"), false, false);
        EXPECT_EQ(chat.Journal.size(), 1);
        EXPECT_EQ(manager->StatusForm(), form.data());
        manager->StopAllSession();
        Settle();
    }
}

TEST_F(Calls, WithoutAWorkingClientARequestIsRefusedAndTheNextOneIsPossible)
{
    // Never initialised, and initialised with whiteboard only (no audio bit).
    for (int media : {-1, 4}) {
        boxes.Clear();
        if (media >= 0)
            Manager(media);
        for (int attempt = 0; attempt < 2; ++attempt) {
            Requested();
            EXPECT_EQ(manager->StatusForm(), nullptr);
            EXPECT_FALSE(manager->IsUsing()) << "the manager is free again";
        }
        EXPECT_EQ(BoxTexts(), QStringList(2, "エラー|初期化が失敗しているので、VOIP通信できません"))
            << media;
        EXPECT_TRUE(chat.Journal.isEmpty());
    }
}

TEST_F(Calls, ARequestDuringACallIsRefusedAtOnceWithoutAWindow)
{
    Manager(1);
    // Busy as caller, as ringing callee, and while talking.
    const std::function<void()> busy[] = {
        [this] { Requested(); },
        [this] { Offered(); },
        [this] {
            Requested();
            auto incoming = Client().RaiseIncomingSession();
            Client().RaiseParticipantState(incoming->Participants[0], P::Connected);
        },
    };
    for (const auto& makeBusy : busy) {
        makeBusy();
        RtcStatusForm* form = manager->StatusForm();
        ASSERT_NE(form, nullptr);
        chat.Journal.clear();
        const int ringsBefore = Rings(CallOperations());
        manager->VoIPRequestOffered(QStringLiteral("10.0.0.3"), QStringLiteral("次郎"), 5060, false,
                                    false);
        EXPECT_EQ(chat.Journal, QStringList({"RejectVoIP(10.0.0.3)"}));
        EXPECT_EQ(manager->StatusForm(), form) << "no second window";
        EXPECT_EQ(Rings(CallOperations()), ringsBefore) << "no ring for the refused call";
        EXPECT_EQ(manager->PeerAddress(), "10.0.0.2");
        manager->StopAllSession();
        Settle();
    }
}

TEST_F(Calls, TheCalleeRingsThreeTimesTwoAndAHalfSecondsApart)
{
    Manager(1);
    RtcStatusForm* form = Offered();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), "音声チャット for 花子");
    EXPECT_EQ(form->lblStatus->text(), "花子さんから音声チャットのお誘いです");
    EXPECT_EQ(Buttons(*form), "accept/-/reject");
    EXPECT_EQ(CallOperations(), QStringList({"PlayRing(1)"}));
    ASSERT_TRUE(manager->RingerTimer.isActive());
    EXPECT_EQ(manager->RingerTimer.interval(), 2500);

    // The ticks at 2.5 and 5 seconds ring; the one at 7.5 seconds ends the ringing.
    manager->RingerTimer_Timer();
    manager->RingerTimer_Timer();
    EXPECT_EQ(Rings(CallOperations()), 3);
    EXPECT_TRUE(manager->RingerTimer.isActive());
    manager->RingerTimer_Timer();
    EXPECT_FALSE(manager->RingerTimer.isActive());
    EXPECT_EQ(Rings(CallOperations()), 3);
    // The window still waits for an answer.
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(manager->IsUsing());
}

TEST_F(Calls, AnsweringStopsTheRingAndPlacesTheCallToTheCaller)
{
    struct Case {
        bool video; // asked for by the caller
        bool t120;  // offered by the caller
        int option; // our media option
        int media;  // what the call is placed with
    };
    const Case cases[] = {
        {false, false, 0, 3}, {true, false, 2, 15}, {true, false, 0, 3}, // video needs our option
        {false, true, 4, 19}, {true, true, 6, 31},  {false, true, 2, 3},
    };
    for (const Case& c : cases) {
        Manager(7);
        settings.setMediaOption(c.option);
        RtcStatusForm* form = Offered(c.video, c.t120, 5072);
        ASSERT_NE(form, nullptr);
        manager->RingerTimer_Timer(); // a second ring, then the answer
        Click(form->btnAccept);
        const QString address = QStringLiteral("someone@10.0.0.2:5072");
        EXPECT_EQ(CallOperations(),
                  QStringList({"PlayRing(1)", "PlayRing(1)", "PlayRing(0)",
                               QStringLiteral("SetPreferredMediaTypes(%1,0)").arg(c.media),
                               "CreateSession", "AddParticipant(" + address + ",自分)"}))
            << c.option;
        EXPECT_EQ(
            TakeTrace(),
            QStringList({QStringLiteral("SipInvite(%1, media=%2)").arg(address).arg(c.media)}));
        EXPECT_FALSE(manager->RingerTimer.isActive());
        EXPECT_EQ(form->lblStatus->text(), "処理中です");
        EXPECT_TRUE(form->isVisible()) << "the window stays";
        EXPECT_TRUE(chat.Journal.isEmpty()) << "acceptance travels as the call itself";

        // A second click places no second call.
        Click(form->btnAccept);
        EXPECT_EQ(Client().Sessions.size(), 1u);
        manager->StopAllSession();
        Settle();
    }
}

TEST_F(Calls, AFailingCallPlacementIsShownAndLeavesNoSession)
{
    for (const char* step : {"SetPreferredMediaTypes", "CreateSession", "AddParticipant"}) {
        boxes.Clear();
        Manager(1);
        RtcStatusForm* form = Offered();
        Client().FailAt = QLatin1String(step);
        Click(form->btnAccept);
        EXPECT_EQ(
            BoxTexts(),
            QStringList({QStringLiteral("エラー|fake failure in %1").arg(QLatin1String(step))}));
        // The session made before the failure is ended; the window may still refuse.
        if (QLatin1String(step) == QLatin1String("AddParticipant")) {
            EXPECT_EQ(CallOperations().last(), "Terminate(0)");
        }
        Client().FailAt.clear();
        Click(form->btnReject);
        EXPECT_EQ(chat.Journal.last(), "RejectVoIP(10.0.0.2)") << step;
        EXPECT_FALSE(manager->IsUsing());
        Settle();
    }
}

TEST_F(Calls, AutomaticAnswerAcceptsAfterOneSecondOnlyWhenOn)
{
    for (bool on : {false, true}) {
        settings.setAutoAnswer(on);
        Manager(1);
        RtcStatusForm* form = Offered();
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->TimerAutoAnswer.isActive(), on);
        if (on) {
            EXPECT_EQ(form->TimerAutoAnswer.interval(), 1000);
            form->TimerAutoAnswer_Timer();
            EXPECT_FALSE(form->TimerAutoAnswer.isActive());
        }
        EXPECT_EQ(CallOperations().contains("CreateSession"), on) << on;
        EXPECT_EQ(form->lblStatus->text(),
                  on ? QStringLiteral("処理中です")
                     : QStringLiteral("花子さんから音声チャットのお誘いです"));
        manager->StopAllSession();
        Settle();
    }
}

TEST_F(Calls, AutomaticAnswerRunsOnTheRealTimer)
{
    settings.setAutoAnswer(true);
    Manager(1);
    Offered();
    EXPECT_TRUE(WaitUntil([this] { return CallOperations().contains("CreateSession"); }, 5000));
}

TEST_F(Calls, ARefusalClosesTheCallersWindowOnlyWhenItComesFromThePartner)
{
    Manager(1);
    QPointer<RtcStatusForm> form = Requested();
    ASSERT_NE(form, nullptr);

    // Another member's refusal: the window stays, but the partner is forgotten.
    manager->VoIPRequestRejected(QStringLiteral("10.0.0.9"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->lblStatus->text(), "相手の承諾を待っています");
    EXPECT_FALSE(form->Timer1.isActive());
    EXPECT_TRUE(manager->PeerAddress().isEmpty());
    EXPECT_TRUE(manager->PeerAliase().isEmpty());
    EXPECT_TRUE(manager->IsUsing());

    // The partner's refusal (a fresh request, since the first lost its partner).
    manager->StopAllSession();
    Settle();
    form = Requested();
    manager->VoIPRequestRejected(QString::fromLatin1(Partner));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->lblStatus->text(), "相手が拒否しました");
    EXPECT_TRUE(form->Timer1.isActive());
    EXPECT_EQ(form->Timer1.interval(), 2000);
    EXPECT_FALSE(manager->IsUsing());
    EXPECT_TRUE(manager->PeerAddress().isEmpty());
    form->Timer1_Timer();
    Settle();
    EXPECT_TRUE(form.isNull()) << "closed and gone";
}

TEST_F(Calls, DroppingARequestBeforeTheAnswerOnlyWithdrawsIt)
{
    Manager(1);
    QPointer<RtcStatusForm> form = Requested();
    ASSERT_NE(form, nullptr);
    Click(form->btnDrop);
    EXPECT_EQ(chat.Journal,
              QStringList({"ReqStartVoIP(10.0.0.2,5070,0,0)", "ReqStopVoIP(10.0.0.2)"}));
    const QStringList operations = CallOperations();
    EXPECT_TRUE(std::none_of(operations.begin(), operations.end(), IsSessionOperation))
        << operations.join(u' ').toStdString();
    EXPECT_FALSE(manager->IsUsing());
    Settle();
    EXPECT_TRUE(form.isNull());
}

TEST_F(Calls, AWithdrawnRequestStopsTheRingAndClosesTheWindowAfterATenth)
{
    Manager(1);
    QPointer<RtcStatusForm> form = Offered();
    ASSERT_NE(form, nullptr);
    // Another member's withdrawal changes nothing but the partner fields.
    manager->VoIPRequestStopped(QStringLiteral("10.0.0.9"));
    EXPECT_TRUE(manager->RingerTimer.isActive());
    EXPECT_FALSE(form->Timer1.isActive());

    manager->StopAllSession();
    Settle();
    form = Offered();
    manager->VoIPRequestStopped(QString::fromLatin1(Partner));
    EXPECT_EQ(form->Timer1.interval(), 100);
    EXPECT_TRUE(form->Timer1.isActive());
    EXPECT_FALSE(manager->RingerTimer.isActive());
    EXPECT_EQ(CallOperations().last(), "PlayRing(0)");
    EXPECT_FALSE(manager->IsUsing());
    // Too late to accept: a click in the closing window places no call.
    Click(form->btnAccept);
    EXPECT_FALSE(CallOperations().contains("CreateSession"));
    EXPECT_TRUE(WaitUntil([&form] { return form.isNull(); }, 3000)) << "closed by its timer";
}

TEST_F(Calls, TheCallerAnswersTheCalleesCallAndTalksUntilThePartnerHangsUp)
{
    calls.Setup = [](FakeRtcClient& client) { client.Media = 31; };
    Manager(7);
    QPointer<RtcStatusForm> form = Requested(false, false);
    ASSERT_NE(form, nullptr);
    auto incoming = Client().RaiseIncomingSession();
    EXPECT_EQ(CallOperations(), QStringList({"Answer"}));
    EXPECT_EQ(TakeTrace(), QStringList({"RTCE_SESSION_STATE_CHANGE.RTCSS_INCOMING"}));

    Client().RaiseParticipantState(incoming->Participants[0], P::Connected);
    EXPECT_EQ(form->lblStatus->text(), "通話中です");
    EXPECT_EQ(Buttons(*form), "-/drop/-");
    // The call did not offer sharing: the buttons show, but cannot be used.
    EXPECT_TRUE(form->WbButton->isVisible());
    EXPECT_TRUE(form->AppButton->isVisible());
    EXPECT_FALSE(form->WbButton->isEnabled());
    EXPECT_FALSE(form->AppButton->isEnabled());

    Client().RaiseParticipantState(incoming->Participants[0], P::Disconnected);
    EXPECT_EQ(form->lblStatus->text(), "相手が切断しました");
    EXPECT_TRUE(form->Timer1.isActive());
    EXPECT_EQ(form->Timer1.interval(), 1000);
    EXPECT_FALSE(manager->IsUsing());
    EXPECT_EQ(TakeTrace(), QStringList({"RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_CONNECTED",
                                        "RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_DISCONNECTED"}));
    form->Timer1_Timer();
    Settle();
    EXPECT_TRUE(form.isNull());
}

TEST_F(Calls, AnUnaskedIncomingCallIsNotAnswered)
{
    Manager(1);
    // Idle, and ringing as the callee: nobody here asked for a call.
    auto unasked = Client().RaiseIncomingSession();
    Offered();
    auto whileRinging = Client().RaiseIncomingSession();
    const QStringList operations = CallOperations();
    EXPECT_FALSE(operations.contains("Answer")) << operations.join(u' ').toStdString();
    EXPECT_EQ(operations.count("Terminate(0)"), 2);
}

TEST_F(Calls, HangingUpEndsTheSessionAndAConnectionWithoutAWindowIsEnded)
{
    Manager(1);
    RtcStatusForm* form = Offered();
    Click(form->btnAccept);
    auto placed = Client().Sessions.back();
    ASSERT_EQ(placed->Participants.size(), 1u);
    Client().RaiseParticipantState(placed->Participants[0], P::Connected);
    EXPECT_EQ(Buttons(*form), "-/drop/-");
    Client().Journal->clear();
    chat.Journal.clear();
    Click(form->btnDrop);
    EXPECT_EQ(*Client().Journal,
              QStringList({"RemoveParticipant(someone@10.0.0.2:5060)", "Terminate(0)"}));
    EXPECT_TRUE(chat.Journal.isEmpty()) << "no withdrawal once the call exists";
    EXPECT_FALSE(manager->IsUsing());

    // The call connects after its window went: nobody watches it, so it ends.
    Client().Journal->clear();
    Client().RaiseParticipantState(placed->Participants[0], P::Connected);
    EXPECT_EQ(*Client().Journal, QStringList({"Terminate(0)"}));
}

TEST_F(Calls, TheCalleesRefusalIsSentAndTheManagerIsFreeAgain)
{
    Manager(1);
    QPointer<RtcStatusForm> form = Offered();
    Click(form->btnReject);
    EXPECT_EQ(chat.Journal, QStringList({"RejectVoIP(10.0.0.2)"}));
    EXPECT_EQ(CallOperations(), QStringList({"PlayRing(1)", "PlayRing(0)"}));
    EXPECT_FALSE(manager->IsUsing());
    EXPECT_TRUE(manager->PeerAddress().isEmpty());
    Settle();
    EXPECT_TRUE(form.isNull());
    // The next request rings again.
    Offered();
    EXPECT_NE(manager->StatusForm(), nullptr);
    EXPECT_EQ(Rings(CallOperations()), 2);
}

TEST_F(Calls, ClosingTheWindowEndsItsCallAsItsButtonWould)
{
    Manager(1);
    RtcStatusForm* ringing = Offered();
    ASSERT_NE(ringing, nullptr);
    ringing->close();
    EXPECT_EQ(chat.Journal, QStringList({"RejectVoIP(10.0.0.2)"}));
    ASSERT_FALSE(manager->IsUsing());
    Settle();
    chat.Journal.clear();
    RtcStatusForm* waiting = Requested();
    ASSERT_NE(waiting, nullptr);
    waiting->close();
    EXPECT_EQ(chat.Journal,
              QStringList({"ReqStartVoIP(10.0.0.2,5070,0,0)", "ReqStopVoIP(10.0.0.2)"}));
    EXPECT_FALSE(manager->IsUsing());
}

TEST_F(Calls, StopAllSessionWithdrawsARingingRequestAndClosesItsWindow)
{
    Manager(1);
    QPointer<RtcStatusForm> form = Offered();
    manager->StopAllSession();
    EXPECT_EQ(chat.Journal, QStringList({"ReqStopVoIP(10.0.0.2)"}));
    EXPECT_EQ(form->Timer1.interval(), 100);
    EXPECT_TRUE(form->Timer1.isActive());
    EXPECT_FALSE(manager->RingerTimer.isActive()) << "the bell stops with the call";
    EXPECT_EQ(manager->StatusForm(), nullptr);
    EXPECT_FALSE(manager->IsUsing());
}
