// Voice calls between two PalavoXP programs on two hosts of the virtual LAN: asked for,
// rung, accepted or refused, connected with sound both ways, and ended by either side,
// each step as the two status windows show it.
#include "CallLanTest.h"

#include "support/EventWaiter.h"
#include "support/WavTone.h"

#include <QFile>

#include <memory>

namespace
{

const QString Waiting = QStringLiteral("相手の承諾を待っています");
const QString Talking = QStringLiteral("通話中です");
const QString Refused = QStringLiteral("相手が拒否しました");
const QString HungUp = QStringLiteral("相手が切断しました");

QString Invitation(const QString& aliase)
{
    return aliase + QStringLiteral("さんから音声チャットのお誘いです");
}

// Lets the call run: sound needs time to travel, there is nothing to wait for.
void Talk(int ms)
{
    WaitUntil([] { return false; }, ms);
}

class XpCall : public CallLanTest
{
protected:
    // Each side plays its own tone, long enough for any call of these tests: two different
    // tones, so that hearing one's own tone back is not taken for the call.
    void WriteTones()
    {
        ASSERT_TRUE(WriteToneWav(CallerSettings().AudioIn, 1000, 30000));
        ASSERT_TRUE(WriteToneWav(CalleeSettings().AudioIn, 600, 30000));
    }

    // Both programs started with their tones, and the caller's request rung at the callee
    // (which answers by itself when `autoAnswer`); each side's call is told from the line
    // callerFrom or calleeFrom on.
    void StartRinging(bool autoAnswer = false)
    {
        CallSettings callee = CalleeSettings();
        callee.AutoAnswer = autoAnswer;
        ASSERT_NO_FATAL_FAILURE(WriteTones());
        ASSERT_NO_FATAL_FAILURE(StartBoth(CallerSettings(), callee));
        RequestCall(false, &callerFrom, &calleeFrom);
    }

    // `copy` did `command` ("accept", "drop", ...).
    testing::AssertionResult Did(CallCopy& copy, const QString& command)
    {
        if (copy.Ask(command).value("ok").toBool())
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << command.toStdString() << " failed\n" << Both();
    }

    // Both windows show the call as connected, with only "切断" to press.
    void ExpectConnected()
    {
        for (CallCopy* copy : {&Caller(), &Callee()}) {
            const int at =
                ExpectStatus(*copy, Talking, copy == &Caller() ? callerFrom : calleeFrom);
            ASSERT_GE(at, 0);
            const QStringList buttons =
                copy->At(at).Json.value("buttons").toVariant().toStringList();
            EXPECT_TRUE(buttons.contains(QStringLiteral("切断")) &&
                        !buttons.contains(QStringLiteral("承諾")))
                << buttons.join(u',').toStdString();
        }
    }

    size_t callerFrom = 0, calleeFrom = 0;
};

// What one side recorded of the call is the other side's tone.
testing::AssertionResult Heard(const QString& recording, int frequency)
{
    const std::optional<WavSound> sound = ReadWav(recording);
    if (!sound)
        return testing::AssertionFailure()
               << "no 16-bit WAV recording at " << recording.toStdString();
    if (sound->Seconds() < 1.0)
        return testing::AssertionFailure() << "only " << sound->Seconds() << " s recorded";
    const int heard = DominantFrequency(*sound);
    if (std::abs(heard - frequency) > 20)
        return testing::AssertionFailure()
               << "recorded " << sound->Seconds() << " s whose strongest frequency is " << heard
               << " Hz, not the " << frequency << " Hz played on the other side";
    return testing::AssertionSuccess() << heard << " Hz";
}

TEST_F(XpCall, VoiceFlowsBothWaysUntilTheCallerHangsUp)
{
    ASSERT_NO_FATAL_FAILURE(StartRinging());
    ASSERT_GE(ExpectStatus(Caller(), Waiting, callerFrom), 0);
    const int rung = ExpectStatus(Callee(), Invitation(CallerAliase()), calleeFrom);
    ASSERT_GE(rung, 0);
    EXPECT_EQ(Callee().At(rung).Json.value("buttons").toVariant().toStringList(),
              (QStringList{QStringLiteral("承諾"), QStringLiteral("拒否")}));
    // Without automatic answer the callee's window waits for the press.
    Talk(1500);
    EXPECT_EQ(Callee().Statuses(calleeFrom), QStringList{Invitation(CallerAliase())});

    ASSERT_TRUE(Did(Callee(), "accept"));
    ASSERT_NO_FATAL_FAILURE(ExpectConnected());
    Talk(3000);

    const size_t callerHangUp = Caller().Lines().size();
    const size_t calleeHangUp = Callee().Lines().size();
    ASSERT_TRUE(Did(Caller(), "drop"));
    EXPECT_GE(ExpectClosed(Caller(), callerHangUp, 2000), 0);
    const int told = ExpectStatus(Callee(), HungUp, calleeHangUp);
    ASSERT_GE(told, 0);
    const int closed = ExpectClosed(Callee(), calleeHangUp);
    ASSERT_GE(closed, 0);
    // A partner's hang-up stays readable for a second.
    EXPECT_GE(MsBetween(Callee(), told, closed), 800.0);

    // The recordings are complete once the programs have ended.
    EXPECT_TRUE(Caller().Quit()) << Both();
    EXPECT_TRUE(Callee().Quit()) << Both();
    EXPECT_TRUE(Heard(CalleeSettings().AudioOut, 1000));
    EXPECT_TRUE(Heard(CallerSettings().AudioOut, 600));
    EXPECT_TRUE(NoBoxes());
}

TEST_F(XpCall, AnsweredAutomaticallyAndEndedByTheCallee)
{
    ASSERT_NO_FATAL_FAILURE(StartRinging(/*autoAnswer=*/true));
    // Nobody presses anything on the callee's side.
    ASSERT_NO_FATAL_FAILURE(ExpectConnected());

    const size_t callerHangUp = Caller().Lines().size();
    const size_t calleeHangUp = Callee().Lines().size();
    ASSERT_TRUE(Did(Callee(), "drop"));
    EXPECT_GE(ExpectClosed(Callee(), calleeHangUp, 2000), 0);
    ASSERT_GE(ExpectStatus(Caller(), HungUp, callerHangUp), 0);
    EXPECT_GE(ExpectClosed(Caller(), callerHangUp), 0);
    EXPECT_TRUE(NoBoxes());
}

// Calls that end before they connect, one after another between the same two programs:
// after each, both are free for the next.
TEST_F(XpCall, CallsEndingBeforeTheyConnect)
{
    struct Case {
        const char* what;
        bool calleeRejects;     // else the caller withdraws its request
        const char* callerTold; // the caller's last status, or null: none
        double callerCloseMs;   // the caller's window stays at least this long after it
    };
    const Case cases[] = {
        {"the callee refuses", true, "相手が拒否しました", 1500.0},
        {"the caller withdraws", false, nullptr, 0.0},
        {"the callee refuses a second call", true, "相手が拒否しました", 1500.0},
    };
    ASSERT_NO_FATAL_FAILURE(WriteTones());
    ASSERT_NO_FATAL_FAILURE(StartBoth(CallerSettings(), CalleeSettings()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(RequestCall(false, &callerFrom, &calleeFrom));
        ASSERT_GE(ExpectStatus(Callee(), Invitation(CallerAliase()), calleeFrom), 0);

        // A person reads the window before pressing; meanwhile the receipt of the caller's
        // request comes back. (A withdrawal sent before it is refused with a box, by design.)
        Talk(1000);
        CallCopy& presser = c.calleeRejects ? Callee() : Caller();
        const size_t pressed = presser.Lines().size();
        ASSERT_TRUE(Did(presser, QString::fromLatin1(c.calleeRejects ? "reject" : "drop")));
        // The one who pressed sees the window go at once.
        EXPECT_GE(ExpectClosed(presser, pressed, 2000), 0);

        CallCopy& other = c.calleeRejects ? Caller() : Callee();
        const size_t otherFrom = c.calleeRejects ? callerFrom : calleeFrom;
        int told = -1;
        if (c.callerTold != nullptr) {
            told = ExpectStatus(other, QString::fromUtf8(c.callerTold), otherFrom);
            ASSERT_GE(told, 0);
        }
        const int closed = ExpectClosed(other, otherFrom);
        ASSERT_GE(closed, 0);
        if (told >= 0) {
            EXPECT_GE(MsBetween(other, told, closed), c.callerCloseMs);
        }
        // The callee is never told more than the invitation.
        EXPECT_EQ(Callee().Statuses(calleeFrom), QStringList{Invitation(CallerAliase())});
        // No sound was carried: neither program ever showed the call as connected.
        EXPECT_FALSE(Caller().Statuses(callerFrom).contains(Talking));
    }
    EXPECT_TRUE(NoBoxes());
}

// A third program on host 3 asks the callee while it is in a call.
class XpCallBusy : public XpCall
{
protected:
    int HostCount() const override { return 3; }
    void TearDown() override
    {
        m_third.reset();
        XpCall::TearDown();
    }
    std::unique_ptr<CallCopy> m_third;
};

// A request that comes during a call is refused at once: the third sees the refusal, the
// callee opens no second window and hears no ring, and the call goes on until it is
// hung up.
TEST_F(XpCallBusy, ARequestDuringACallIsRefusedAndTheCallGoesOn)
{
    ASSERT_NO_FATAL_FAILURE(WriteTones());
    CallSettings third;
    third.Aliase = QStringLiteral("さくら");
    third.AudioIn = CallerSettings().AudioIn; // only read
    third.AudioOut = FilePath(QStringLiteral("third-out.wav"));
    m_third = std::make_unique<CallCopy>(Lan(), 3, third);
    ASSERT_NO_FATAL_FAILURE(StartBoth(CallerSettings(), CalleeSettings()));
    QString why;
    ASSERT_TRUE(m_third->WaitStarted(&why)) << why.toStdString() << "\n"
                                            << m_third->Tail().toStdString();
    ASSERT_TRUE(m_third->WaitForPeer(Callee().Address())) << m_third->Tail().toStdString();
    ASSERT_TRUE(Callee().WaitForPeer(m_third->Address())) << Both();
    ASSERT_NO_FATAL_FAILURE(RequestCall(false, &callerFrom, &calleeFrom));
    ASSERT_TRUE(Did(Callee(), "accept"));
    ASSERT_NO_FATAL_FAILURE(ExpectConnected());

    const size_t calleeBusy = Callee().Lines().size();
    const size_t thirdFrom = m_third->Lines().size();
    ASSERT_TRUE(m_third->Ask(QStringLiteral("call ") + Callee().Address()).value("ok").toBool())
        << m_third->Tail().toStdString();
    EXPECT_GE(ExpectStatus(*m_third, Refused, thirdFrom), 0) << m_third->Tail().toStdString();
    EXPECT_GE(ExpectClosed(*m_third, thirdFrom), 0) << m_third->Tail().toStdString();
    // Nothing changed on the callee's side: one window, still talking.
    EXPECT_EQ(Callee().WaitFor(
                  [](const QJsonObject& o) {
                      return o.contains(QStringLiteral("callWindow")) ||
                             o.contains(QStringLiteral("callWindowClosed")) ||
                             o.contains(QStringLiteral("status"));
                  },
                  0, calleeBusy),
              -1)
        << Both();

    const size_t calleeHangUp = Callee().Lines().size();
    ASSERT_TRUE(Did(Caller(), "drop"));
    EXPECT_GE(ExpectStatus(Callee(), HungUp, calleeHangUp), 0);
    EXPECT_TRUE(NoBoxes());
    for (const CallCopy::Line& line : m_third->Lines())
        EXPECT_FALSE(line.Json.contains(QStringLiteral("messageBox")))
            << m_third->Tail().toStdString();
}

// Whether this machine has a sound card, as the kernel lists them.
bool HasSoundCard()
{
    QFile cards(QStringLiteral("/proc/asound/cards"));
    if (!cards.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = cards.readAll().trimmed();
    return !text.isEmpty() && !text.contains("no soundcards");
}

// Without a sound card and without sound files the program has no voice: after entry its
// status bar says so, and a peer's call is refused at once, with no window and no ring.
TEST_F(XpCall, WithoutSoundARequestIsRefusedAtOnce)
{
    if (HasSoundCard())
        GTEST_SKIP() << "this machine has a sound card (/proc/asound/cards); the case needs one "
                        "without";
    ASSERT_NO_FATAL_FAILURE(WriteTones());
    CallSettings callee = CalleeSettings();
    callee.AudioIn.clear();
    callee.AudioOut.clear();
    ASSERT_NO_FATAL_FAILURE(StartBoth(CallerSettings(), callee, false));
    callerFrom = Caller().Lines().size();
    calleeFrom = Callee().Lines().size();
    ASSERT_TRUE(Did(Caller(), QStringLiteral("call ") + Callee().Address()));
    const int told = ExpectStatus(Caller(), Refused, callerFrom);
    ASSERT_GE(told, 0);
    EXPECT_GE(ExpectClosed(Caller(), callerFrom), 0);
    EXPECT_EQ(Callee().WaitFor(
                  [](const QJsonObject& o) { return o.contains(QStringLiteral("callWindow")); }, 0,
                  calleeFrom),
              -1)
        << "the callee opened a status window\n"
        << Both();
    // Its own "音声チャット" says voice chat is unavailable.
    const size_t asked = Callee().Lines().size();
    EXPECT_FALSE(Callee().Ask(QStringLiteral("call ") + Caller().Address()).value("ok").toBool());
    EXPECT_GE(Callee().WaitForText(
                  QStringLiteral("messageBox"),
                  QStringLiteral("音声チャットは利用できません(RTC not available.)"), 2000, asked),
              0)
        << Both();
}

// While the caller waits for the callee, host 3 sends the port the caller announced an INVITE
// that claims to come from the callee: it is declined, the caller goes on waiting, and the
// callee's call connects when it accepts. No UDP port listens but the chat's. The call
// module as the program loads it declines what the library alone would take: a presence
// SUBSCRIBE without Expires (a crash) and OPTIONS (an answer to anyone).
TEST_F(XpCallBusy, AStrangersCallDuringSetUpIsDeclinedAndThePartnersConnects)
{
    ASSERT_NO_FATAL_FAILURE(StartRinging());
    const QString a = Caller().Address(), b = Callee().Address(), port = SipPort(Caller());
    EXPECT_EQ(Lan().RunIn(1, {"ss", "-Huln"}).count(u'\n'), 1) << "the chat port alone";
    const auto answer = [&](const QString& method, const QString& headers) {
        return Lan().RunIn(
            3,
            {"bash", "-c",
             "exec 3<>/dev/tcp/$0/$1 && cat >&3 && timeout 10 grep -m1 -E '^SIP/2.0 [2-6]' <&3", a,
             port},
            QStringLiteral(
                "%4 sip:someone@%1:%2;transport=tcp SIP/2.0\r\nVia: SIP/2.0/TCP %3:5060;"
                "rport;branch=z9hG4bK%4%2\r\nFrom: <sip:someone@%3>;tag=x%2\r\nTo: "
                "<sip:someone@%1>\r\nCall-ID: %4%2@%3\r\nCSeq: 1 %4\r\nContact: "
                "<sip:someone@%3:5060;transport=tcp>\r\nMax-Forwards: 70\r\n%5Content-Length: "
                "0\r\n\r\n")
                .arg(a, port, b, method, headers)
                .toUtf8());
    };
    for (const auto& [method, headers, code] : {std::tuple{"INVITE", "", "603"},
                                                {"SUBSCRIBE", "Event: presence\r\n", "603"},
                                                {"OPTIONS", "", "403"}}) {
        const QString got = answer(method, headers);
        EXPECT_TRUE(got.startsWith(QStringLiteral("SIP/2.0 ") + code)) << method << ": " << got.toStdString();
    }
    ASSERT_TRUE(Did(Callee(), "accept"));
    ExpectConnected();
    EXPECT_EQ(Caller().Statuses(callerFrom), (QStringList{Waiting, Talking}));
    EXPECT_TRUE(NoBoxes());
}

// The caller repeats its request while the callee rings (its resend): no refusal; then,
// during the call, the callee's withdrawal ends the call on both sides: neither call
// client holds a call any more.
TEST_F(XpCall, ThePartnersRepeatIsNoRefusalAndItsWithdrawalEndsTheCall)
{
    ASSERT_NO_FATAL_FAILURE(StartRinging());
    Caller().Ask(QStringLiteral("signal request ") + Callee().Address());
    ASSERT_TRUE(Did(Callee(), "accept"));
    ExpectConnected();
    EXPECT_FALSE(Caller().Statuses(callerFrom).contains(Refused)) << Both();
    EXPECT_EQ(HeldCalls(Caller()) + HeldCalls(Callee()), "[3][3]");
    Callee().Ask(QStringLiteral("signal stop ") + Caller().Address());
    // The caller's client ended the call: the callee's hears it from the call itself.
    EXPECT_TRUE(WaitUntil([&] { return HeldCalls(Caller()) + HeldCalls(Callee()) == "[][]"; }))
        << Both();
    EXPECT_TRUE(NoBoxes());
}

} // namespace
