// Two call clients in one process, calling each other over loopback with sound files in
// place of a sound card.
#include "RtcTestClient.h"

#include "platform/rtc/LinphoneSession.h"

#include "support/EventWaiter.h"
#include "support/FreePort.h"
#include "support/PrintQString.h"
#include "support/WavTone.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
constexpr int Voice = rtc::AudioSend | rtc::AudioReceive;

#define ASSERT_LINPHONE_STARTS() ASSERT_EQ(LinphoneStartFailure(), QString())

// The callee of the manager places the call; the caller's client answers it by itself.
struct CallPair {
    QTemporaryDir dir;
    std::unique_ptr<RtcTestClient> caller; // answers
    std::unique_ptr<RtcTestClient> callee; // places the call

    // `callerTone`/`calleeTone`: the frequency each side plays (0: no file).
    void Make(int callerTone, int calleeTone, int callerListen = rtc::ListenDynamicAndDefault)
    {
        ASSERT_TRUE(dir.isValid());
        auto play = [&](int hz, const char* name) {
            if (hz == 0)
                return QString();
            const QString path = dir.filePath(QString::fromLatin1(name));
            EXPECT_TRUE(WriteToneWav(path, hz, 4000, 16000, 0, 0.5));
            return path;
        };
        caller = std::make_unique<RtcTestClient>(
            FileSetup(play(callerTone, "caller-in.wav"), dir.filePath("caller-out.wav")), Voice,
            true);
        callee = std::make_unique<RtcTestClient>(
            FileSetup(play(calleeTone, "callee-in.wav"), dir.filePath("callee-out.wav")), Voice,
            false);
        ASSERT_EQ(caller->Start("caller", callerListen), QString());
        ASSERT_EQ(callee->Start("callee"), QString());
    }

    // The callee calls the caller back, as the manager does once the request is accepted.
    void Place(const QString& address)
    {
        auto session = callee->Client().CreateSession();
        ASSERT_TRUE(session.ok()) << session.status.description();
        callee->Session = session.value;
        callee->InOperation = true;
        const auto participant = session.value->AddParticipant(address, "callee");
        callee->InOperation = false;
        ASSERT_TRUE(participant.ok()) << participant.status.description();
        ASSERT_TRUE(participant.value);
        EXPECT_EQ(session.value->Participant(1), participant.value);
        EXPECT_EQ(participant.value->Session(), session.value);
    }

    bool BothConnected(int timeoutMs = 5000)
    {
        return WaitUntil(
            [&] {
                return caller->Count("participant Connected") &&
                       callee->Count("participant Connected");
            },
            timeoutMs);
    }
    bool BothDisconnected(int timeoutMs = 5000)
    {
        return WaitUntil(
            [&] {
                return caller->Count("participant Disconnected") &&
                       callee->Count("participant Disconnected");
            },
            timeoutMs);
    }
};

bool Listening(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    close(fd);
    return ok;
}

TEST(LinphoneCall, EventsFollowTheCallAsTheManagerExpectsThem)
{
    ASSERT_LINPHONE_STARTS();
    CallPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Make(1000, 600));
    ASSERT_NO_FATAL_FAILURE(pair.Place(pair.caller->CallAddress()));

    ASSERT_TRUE(WaitUntil([&] { return pair.caller->Count("session Incoming") == 1; }))
        << pair.caller->Events.join(", ");
    EXPECT_TRUE(pair.caller->AnswerStatus.ok()) << pair.caller->AnswerStatus.description();
    ASSERT_TRUE(pair.BothConnected())
        << pair.caller->Events.join(", ") << " / " << pair.callee->Events.join(", ");
    // Let the streams settle: Connected must not be told twice.
    WaitUntil([] { return false; }, 300);

    EXPECT_TRUE(pair.callee->Session->Participant(1)->Removable());
    ASSERT_TRUE(pair.callee->Session->Terminate(rtc::NormalTermination).ok());
    ASSERT_TRUE(pair.BothDisconnected());
    WaitUntil([] { return false; }, 300);

    const QStringList callerExpected = {"session Incoming",     "participant Incoming",
                                        "session Connected",    "participant Connected",
                                        "session Disconnected", "participant Disconnected"};
    EXPECT_EQ(pair.caller->Events, callerExpected);
    // The placing side: pending, perhaps alerting, then connected and disconnected once.
    QStringList callee = pair.callee->Events;
    callee.removeAll("participant Alerting");
    const QStringList calleeExpected = {"session InProgress",   "participant Pending",
                                        "session Connected",    "participant Connected",
                                        "session Disconnected", "participant Disconnected"};
    EXPECT_EQ(callee, calleeExpected);
    EXPECT_FALSE(pair.caller->EventInsideOperation);
    EXPECT_FALSE(pair.callee->EventInsideOperation);
    EXPECT_FALSE(pair.callee->Session->Participant(1)->Removable());
}

TEST(LinphoneCall, VoiceFlowsBothWays)
{
    ASSERT_LINPHONE_STARTS();
    CallPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Make(1000, 600));
    ASSERT_NO_FATAL_FAILURE(pair.Place(pair.caller->CallAddress()));
    ASSERT_TRUE(pair.BothConnected());
    WaitUntil([] { return false; }, 1500);
    ASSERT_TRUE(pair.callee->Session->Terminate(rtc::NormalTermination).ok());
    ASSERT_TRUE(pair.BothDisconnected());
    // The recorder lets go of its file as the call is released.
    WaitUntil([] { return false; }, 300);

    struct Case {
        const char* recording;
        int frequency;
    };
    const Case cases[] = {
        {"callee-out.wav", 1000}, // the caller's tone reached the callee
        {"caller-out.wav", 600},  // and the callee's reached the caller
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recording);
        const auto sound = ReadWav(pair.dir.filePath(c.recording));
        ASSERT_TRUE(sound.has_value());
        ASSERT_GT(sound->Seconds(), 0.5);
        EXPECT_NEAR(DominantFrequency(*sound), c.frequency, 20);
    }
}

TEST(LinphoneCall, TheAddressGivenIsOneThatListens)
{
    ASSERT_LINPHONE_STARTS();
    QTemporaryDir dir;
    RtcTestClient client(FileSetup(QString(), dir.filePath("out.wav")), Voice, false);
    ASSERT_EQ(client.Start("me"), QString());
    ASSERT_GT(client.Port(), 0);
    EXPECT_TRUE(Listening(client.Port()));
    EXPECT_TRUE(client.CallAddress().startsWith("someone@127.0.0.1:")) << client.CallAddress();
    const auto external = client.Client().NetworkAddresses(false, true);
    ASSERT_TRUE(external.ok());
    EXPECT_TRUE(external.value.isEmpty());
}

TEST(LinphoneCall, ACallToNobodyEndsAtOnce)
{
    ASSERT_LINPHONE_STARTS();
    CallPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Make(0, 0));
    const int port = FreePort(SOCK_STREAM);
    ASSERT_NO_FATAL_FAILURE(pair.Place(QStringLiteral("someone@127.0.0.1:%1").arg(port)));
    // Over TCP the refused connection ends the call at once (tens of milliseconds here);
    // over UDP it would take the 32 seconds of SIP's retransmissions. The limit leaves a
    // loaded machine room without letting the slow way pass.
    ASSERT_TRUE(
        WaitUntil([&] { return pair.callee->Count("participant Disconnected") == 1; }, 10000))
        << pair.callee->Events.join(", ");
    EXPECT_EQ(pair.callee->Count("participant Connected"), 0);
    WaitUntil([] { return false; }, 200);
    EXPECT_EQ(pair.callee->Count("participant Disconnected"), 1);
    EXPECT_EQ(pair.callee->Count("session Disconnected"), 1);
}

TEST(LinphoneCall, CallsThatCannotBeTakenAreTurnedAway)
{
    ASSERT_LINPHONE_STARTS();
    struct Case {
        const char* what;
        int listen;
        bool busy;   // the caller is already in a call
        bool refuse; // the caller's manager ends the incoming session
        QStringList callerHears;
    };
    const Case cases[] = {
        {"not listening", 0, false, false, {}},
        {"already in a call", rtc::ListenDynamicAndDefault, true, false, {}},
        {"refused by the manager",
         rtc::ListenDynamicAndDefault,
         false,
         true,
         {"session Incoming", "session Disconnected", "participant Disconnected"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CallPair pair;
        ASSERT_NO_FATAL_FAILURE(pair.Make(0, 0, c.listen));
        pair.caller->Refuse = c.refuse;
        std::unique_ptr<RtcTestClient> first;
        if (c.busy) {
            first = std::make_unique<RtcTestClient>(
                FileSetup(QString(), pair.dir.filePath("first.wav")), Voice, false);
            ASSERT_EQ(first->Start("first"), QString());
            first->Session = first->Client().CreateSession().value;
            ASSERT_TRUE(first->Session->AddParticipant(pair.caller->CallAddress(), "first").ok());
            ASSERT_TRUE(WaitUntil([&] { return first->Count("participant Connected") == 1; }));
            pair.caller->Events.clear();
        }
        ASSERT_NO_FATAL_FAILURE(pair.Place(pair.caller->CallAddress()));
        ASSERT_TRUE(WaitUntil([&] { return pair.callee->Count("participant Disconnected") == 1; }))
            << pair.callee->Events.join(", ");
        EXPECT_EQ(pair.callee->Count("participant Connected"), 0);
        WaitUntil([] { return false; }, 200);
        EXPECT_EQ(pair.caller->Events, c.callerHears);
        EXPECT_TRUE(pair.caller->AnswerStatus.ok()) << pair.caller->AnswerStatus.description();
        // The call in progress goes on.
        if (first) {
            EXPECT_EQ(first->Count("participant Disconnected"), 0);
        }
    }
}

TEST(LinphoneCall, APeerThatQuitsEndsTheCall)
{
    ASSERT_LINPHONE_STARTS();
    struct Case {
        const char* who;
        bool callerQuits;
        bool fromHandler; // the client is destroyed inside its own Connected event
    };
    const Case cases[] = {
        {"caller quits", true, false},
        {"callee quits", false, false},
        {"caller quits from its event", true, true},
        {"callee quits from its event", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.who);
        CallPair pair;
        ASSERT_NO_FATAL_FAILURE(pair.Make(0, 0));
        RtcTestClient& quitter = c.callerQuits ? *pair.caller : *pair.callee;
        RtcTestClient& stayer = c.callerQuits ? *pair.callee : *pair.caller;
        if (c.fromHandler)
            quitter.DestroyOn = QStringLiteral("participant Connected");
        ASSERT_NO_FATAL_FAILURE(pair.Place(pair.caller->CallAddress()));
        ASSERT_TRUE(WaitUntil([&] { return quitter.Count("participant Connected") == 1; }));
        const auto orphan = quitter.Session;
        if (c.fromHandler)
            EXPECT_FALSE(quitter.HasClient());
        else
            quitter.DestroyClient();
        ASSERT_TRUE(WaitUntil([&] { return stayer.Count("participant Disconnected") == 1; }))
            << stayer.Events.join(", ");
        // What the manager still holds fails quietly instead of reaching a dead library.
        ASSERT_TRUE(orphan);
        EXPECT_FALSE(orphan->Terminate(rtc::NormalTermination).ok());
        EXPECT_FALSE(orphan->Answer().ok());
        EXPECT_FALSE(orphan->AddParticipant("someone@127.0.0.1:1", "x").ok());
    }
}

TEST(LinphoneCall, TheFilterLetsThroughOnlyTheClassesItNames)
{
    ASSERT_LINPHONE_STARTS();
    struct Case {
        int filter;
        bool sessions;
        bool participants;
    };
    const Case cases[] = {
        {rtc::AllEvents, true, true},
        {4, true, false},  // session state changes only
        {16, false, true}, // participant state changes only
        {0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        CallPair pair;
        ASSERT_NO_FATAL_FAILURE(pair.Make(0, 0));
        ASSERT_TRUE(pair.callee->Client().SetEventFilter(c.filter).ok());
        ASSERT_NO_FATAL_FAILURE(pair.Place(pair.caller->CallAddress()));
        ASSERT_TRUE(WaitUntil([&] { return pair.caller->Count("participant Connected") == 1; }));
        // The placing side connects a moment later: told where the filter lets it through.
        const auto callee = std::static_pointer_cast<rtc::LinphoneSession>(pair.callee->Session);
        EXPECT_TRUE(WaitUntil([&] {
            return callee->Progress().Connected &&
                   pair.callee->Count("session Connected") == int(c.sessions) &&
                   pair.callee->Count("participant Connected") == int(c.participants);
        }));
        ASSERT_TRUE(pair.callee->Session->Terminate(rtc::NormalTermination).ok());
        ASSERT_TRUE(WaitUntil([&] { return pair.caller->Count("participant Disconnected") == 1; }));
        WaitUntil([] { return false; }, 200);
        EXPECT_EQ(pair.callee->Count("session Connected"), c.sessions ? 1 : 0);
        EXPECT_EQ(pair.callee->Count("participant Connected"), c.participants ? 1 : 0);
        EXPECT_EQ(pair.callee->Count("participant Disconnected"), c.participants ? 1 : 0);
    }
}

} // namespace
