// Only the partner counts: its refusals, withdrawals and repeated requests against the
// same from a stranger, in each state of a call; only its session is answered.
#include "CallFixture.h"

#include <QLabel>
#include <QPushButton>

TEST_F(Calls, SignalsCountOnlyFromThePartnerAndEndTheLiveSession)
{
    const std::function<void()> states[] = {
        [this] { Requested(); },                                  // waiting
        [this] { Offered(); },                                    // ringing
        [this] { Offered()->btnAccept->click(); },                // placing
        [this] { Requested(), Client().RaiseIncomingSession(); }, // talking
    };
    // A refusal and a withdrawal end the call; the partner's request again is its resend,
    // or, where this side asked, both asking at once.
    const std::function<void(const QString&)> signals_[] = {
        [this](const QString& from) { manager->VoIPRequestRejected(from); },
        [this](const QString& from) { manager->VoIPRequestStopped(from); },
        [this](const QString& from) { manager->VoIPRequestOffered(from, "x", 5060, 0, 0); },
    };
    Init(1);
    for (const auto& state : states)
        for (const auto& signal : signals_)
            for (const QString from : {"10.0.0.9", "10.0.0.2"}) {
                state();
                RtcStatusForm* form = manager->StatusForm();
                const qsizetype before = Ops().size();
                signal(from);
                const bool ends = &signal != &signals_[2] && from == "10.0.0.2";
                EXPECT_EQ(manager->IsUsing(), !ends) << qPrintable(from);
                EXPECT_EQ(manager->PeerAddress(), ends ? "" : "10.0.0.2");
                EXPECT_EQ(form->Timer1.isActive(), ends) << "the window closes";
                EXPECT_EQ(Ops().mid(before).contains("Terminate(0)"),
                          ends && !Client().Sessions.empty())
                    << "the session ends with the window";
                manager->StopAllSession();
                Client().Sessions.clear();
            }
    // Refused only where this side asked too (waiting, talking): both asked at once.
    EXPECT_EQ(chat.Journal.count("RejectVoIP(10.0.0.2)"), 2) << "no repeat refused as busy";
}

TEST_F(Calls, OnlyThePartnersSessionIsAnsweredWithTheMediaChosenForThisCall)
{
    Init(3); // a machine with a camera
    Requested(/*video=*/false);
    Client().RaiseIncomingSession(QStringLiteral("someone@10.0.0.9"));
    Client().RaiseIncomingSession(QStringLiteral("someone@10.0.0.2:5060"));
    RaiseParticipant(rtc::ParticipantState::Disconnected);
    Requested(/*video=*/true);
    Client().RaiseIncomingSession();
    EXPECT_EQ(Ops(), QStringList({"Terminate(0)", "SetPreferredMediaTypes(3,0)", "Answer",
                                  "SetPreferredMediaTypes(15,0)", "SetPreferredMediaTypes(15,0)",
                                  "Answer"}));
}

TEST_F(Calls, ARequestThatDidNotGoOutSaysSoAndFreesTheManager)
{
    Init(1);
    chat.StartFails = true;
    EXPECT_EQ(Requested(), nullptr) << "the manager let go of the window";
    EXPECT_FALSE(manager->IsUsing());
    auto* form = manager->findChild<RtcStatusForm*>();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->lblStatus->text(), "相手を呼び出せませんでした");
    EXPECT_TRUE(form->Timer1.isActive()) << "and it closes";
}
