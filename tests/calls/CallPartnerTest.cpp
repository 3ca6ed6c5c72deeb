// Only the partner counts: refusals, withdrawals, repeated requests and incoming sessions
// from the member the call is with, against the same from a stranger, in each state.
#include "CallFixture.h"

#include <QLabel>
#include <QPushButton>

#include <functional>

using P = rtc::ParticipantState;

TEST_F(Calls, RefusalsAndWithdrawalsCountOnlyFromThePartner)
{
    enum Signal { Rejected, Stopped };
    const std::function<void()> states[] = {
        [this] { Requested(); },                    // waiting
        [this] { Offered(); },                      // ringing
        [this] { Offered()->btnAccept->click(); },  // placing
        [this] {                                    // talking
            Requested();
            Client().RaiseIncomingSession();
            RaiseParticipant(P::Connected);
        },
    };
    Init(1);
    for (size_t state = 0; state < std::size(states); ++state) {
        for (Signal signal : {Rejected, Stopped}) {
            for (const char* from : {"10.0.0.9", "10.0.0.2"}) {
                SCOPED_TRACE(testing::Message() << state << signal << from);
                states[state]();
                RtcStatusForm* form = manager->StatusForm();
                const bool hasSession = Client().Sessions.size() > 0;
                const qsizetype before = Ops().size();
                signal == Rejected ? manager->VoIPRequestRejected(from)
                                   : manager->VoIPRequestStopped(from);
                const bool partner = QLatin1String(from) == QLatin1String("10.0.0.2");
                EXPECT_EQ(manager->IsUsing(), !partner);
                EXPECT_EQ(manager->StatusForm() == form, !partner);
                EXPECT_EQ(form->Timer1.isActive(), partner) << "the window closes";
                EXPECT_EQ(Ops().mid(before).contains("Terminate(0)"), partner && hasSession)
                    << "the live session ends with the window";
                if (!partner)
                    EXPECT_EQ(manager->PeerAddress(), "10.0.0.2");
                manager->StopAllSession();
                Client().Sessions.clear();
                Settle();
            }
        }
    }
}

TEST_F(Calls, ARepeatedRequestOrOneWithNoPortIsNotANewCall)
{
    struct Case {
        bool ringing;  // already ringing for 10.0.0.2
        int32_t port;
        bool refused;  // answered with RejectVoIP
    };
    const Case cases[] = {
        {true, 5060, false}, // the partner's resend: ignored quietly
        {false, 0, true},     // nobody listens on port 0
        {false, 65536, true}, // no such port
        {false, -1, true},
    };
    Init(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        chat.Journal.clear();
        RtcStatusForm* form = c.ringing ? Offered() : nullptr;
        const QStringList before = Ops();
        Offered(false, false, c.port);
        EXPECT_EQ(chat.Journal, c.refused ? QStringList({"RejectVoIP(10.0.0.2)"}) : QStringList());
        EXPECT_EQ(manager->StatusForm(), form);
        EXPECT_EQ(manager->IsUsing(), c.ringing);
        EXPECT_EQ(Ops(), before) << "no second ring";
        manager->StopAllSession();
    }
}

TEST_F(Calls, OnlyThePartnersSessionIsAnsweredWithTheMediaChosenForThisCall)
{
    Init(3); // a machine with a camera
    Requested(/*video=*/false);
    Client().RaiseIncomingSession(QStringLiteral("someone@10.0.0.9")); // a stranger
    Client().RaiseIncomingSession(QStringLiteral("someone@10.0.0.2:5060"));
    RaiseParticipant(P::Connected);
    RaiseParticipant(P::Disconnected);
    Settle();
    Requested(/*video=*/true);
    Client().RaiseIncomingSession();
    EXPECT_EQ(Ops(), QStringList({"Terminate(0)", "SetPreferredMediaTypes(3,0)", "Answer",
                                  "SetPreferredMediaTypes(15,0)", "SetPreferredMediaTypes(15,0)",
                                  "Answer"}));
    EXPECT_EQ(manager->StatusForm()->lblStatus->text(), "相手の承諾を待っています");
}

TEST_F(Calls, ARequestThatDidNotGoOutSaysSoAndFreesTheManager)
{
    Init(1);
    chat.StartFails = true;
    EXPECT_EQ(Requested(), nullptr) << "the manager let go of the window";
    auto* form = manager->findChild<RtcStatusForm*>();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->lblStatus->text(), "相手を呼び出せませんでした");
    EXPECT_TRUE(form->Timer1.isActive()) << "and it closes";
    EXPECT_FALSE(manager->IsUsing());
    chat.StartFails = false;
    EXPECT_NE(Requested(), nullptr) << "the next request is possible";
    EXPECT_TRUE(manager->IsUsing());
}
