// The program's call client before and after the media library is loaded: nothing loads
// until a call needs it, and then the real client carries on from what the manager set.
#include "platform/rtc/DeferredRtcClient.h"

#include "support/FakeRtcClient.h"
#include "support/PrintQString.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace rtc
{
namespace
{
class FakeLibrary : public ICallLibrary
{
public:
    std::unique_ptr<IClient> CreateClient(int sipPort) override
    {
        auto client = std::make_unique<FakeRtcClient>();
        client->Log = Log;
        client->Addresses = {QStringLiteral("10.0.0.1:%1").arg(ListenOn ? ListenOn : sipPort)};
        Ports.push_back(sipPort);
        return client;
    }
    std::vector<MediaDevice> Microphones() override { return {}; }
    std::vector<MediaDevice> Speakers() override { return {}; }
    std::vector<MediaDevice> Cameras() override { return {}; }
    bool PlayTone(int, int, const QString&) override { return false; }

    FakeLogPtr Log = std::make_shared<FakeLog>();
    std::vector<int> Ports;
    int ListenOn = 0; // a client that listens elsewhere than it was asked to
};

// Whether another socket could take TCP `port` now.
bool Held(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    const bool taken = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0;
    ::close(fd);
    return taken;
}

class NoEvents : public IClientEvents
{
    void OnClientEvent(ClientEventType) override {}
    void OnRegistrationStateChange(int, int, const QString&) override {}
    void OnSessionStateChange(const std::shared_ptr<ISession>&, SessionState) override {}
    void OnSessionOperationComplete() override {}
    void OnParticipantStateChange(const std::shared_ptr<IParticipant>&, ParticipantState) override
    {
    }
    void OnMediaEvent(int, MediaEventType) override {}
    void OnMessaging() override {}
    void OnBuddy() override {}
    void OnWatcher() override {}
    void OnProfile() override {}
};

struct Deferred {
    FakeLibrary library;
    NoEvents sink;
    bool loadable = true;
    int loads = 0, pickers = 0;
    DeferredRtcClient client{[this] {
                                 ++loads;
                                 return loadable ? RtcResult<ICallLibrary*>::Of(&library)
                                                 : RtcResult<ICallLibrary*>::Failed("no module");
                             },
                             [] { return RtcResult<int>::Of(AudioSend | AudioReceive); },
                             [this] { return ++pickers > 0; }, QStringLiteral("10.0.0.1")};

    // The working manager's set-up at entry; the port it would announce.
    int SetUp()
    {
        client.Advise(&sink);
        EXPECT_TRUE(client.Initialize().ok());
        client.SetEventFilter(AllEvents);
        client.SetPreferredMediaTypes(3, false);
        client.SetLocalUserName(QStringLiteral("自分"));
        client.SetListenForIncomingSessions(ListenDynamicAndDefault);
        const QString address = client.NetworkAddresses(false, false).value.value(0);
        client.SetLocalUserURI(QStringLiteral("taro@10.0.0.1"));
        return address.section(u':', 1).toInt();
    }
};

const QStringList Replayed = {"Initialize",
                              "SetEventFilter(2047)",
                              "SetPreferredMediaTypes(3,0)",
                              "SetLocalUserName(自分)",
                              "SetListenForIncomingSessions(2)",
                              "SetLocalUserURI(taro@10.0.0.1)",
                              "NetworkAddresses(0,0)"};
} // namespace

TEST(DeferredRtcClient, TheFirstCallStartsTheClientOnTheAnnouncedPortWithWhatTheManagerSet)
{
    struct Case {
        const char* what;
        std::function<bool(IClient&)> call;
        QStringList then;
    };
    const Case cases[] = {
        {"placing a call", [](IClient& c) { return c.PrepareForCall().ok(); }, {}},
        {"answering a call", [](IClient& c) { return c.CreateSession().ok(); }, {"CreateSession"}},
        {"ringing", [](IClient& c) { return c.PlayRing(true).ok(); }, {"PlayRing(1)"}},
        {"the partner's picture",
         [](IClient& c) { return c.VideoWindow(VideoWindowKind::Receive).ok(); },
         {"VideoWindow(Receive)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Deferred d;
        const int port = d.SetUp();
        EXPECT_TRUE(d.client.PlayRing(false).ok());
        EXPECT_TRUE(d.client.InvokeTuningWizard().ok());
        EXPECT_EQ(d.client.MediaCapabilities().value, AudioSend | AudioReceive) << "the probe's";
        EXPECT_EQ(d.pickers, 1);
        EXPECT_EQ(d.loads, 0);
        EXPECT_TRUE(port > 0 && Held(port)) << port;

        EXPECT_TRUE(c.call(d.client));
        EXPECT_TRUE(d.client.PrepareForCall().ok());
        EXPECT_EQ(d.loads, 1);
        EXPECT_EQ(d.library.Ports, std::vector<int>{port});
        EXPECT_EQ(d.library.Log->Lines, QStringList({"Advise"}) + Replayed + c.then);
        EXPECT_NE(d.client.Started(), nullptr);
    }
}

TEST(DeferredRtcClient, AClientThatCannotStartSaysWhyAndTheAnnouncedPortStaysHeld)
{
    struct Case {
        bool loadable;
        const char* failAt;
        bool elsewhere;
        const char* why;
    };
    const Case cases[] = {
        {false, "", false, "no module"},
        {true, "Initialize", false, "fake failure in Initialize"},
        {true, "SetLocalUserURI", false, "fake failure in SetLocalUserURI"},
        {true, "", true, "The call client could not listen on port "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Deferred d;
        d.loadable = c.loadable;
        d.library.Log->FailAt = QLatin1String(c.failAt);
        d.library.ListenOn = c.elsewhere ? 9 : 0;
        const int port = d.SetUp();
        const RtcStatus status = d.client.PrepareForCall();
        EXPECT_FALSE(status.ok());
        EXPECT_TRUE(status.description().startsWith(QLatin1String(c.why)))
            << status.description().toStdString();
        EXPECT_EQ(d.client.Started(), nullptr);
        EXPECT_TRUE(Held(port));
        EXPECT_FALSE(d.client.CreateSession().ok()) << "no session without a client";
    }
}

} // namespace rtc
