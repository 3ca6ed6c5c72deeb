// The call manager and its client: initialisation, the media mask, capabilities, the
// client's events as traced, the video window and the client's tools.
#include "CallFixture.h"

#include <QPushButton>
#include <QTest>

#include <algorithm>

using rtc::FakeRtcClient;

TEST_F(Calls, InitSetsTheClientUpInOrderAndSplitsItsFirstAddress)
{
    struct Case {
        const char* address;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"192.168.1.10:5070", "192.168.1.10", 5070},
        {"10.0.0.5:5060;transport=tcp", "10.0.0.5", 5060}, // the leading digits
        {"h:x1", "h", 0},
        {":5070", "", 0}, // the colon must not come first
        {"nocolon", "", 0},
    };
    size_t mostAlive = 0; // when a new client is made
    for (const Case& c : cases) {
        calls.Setup = [&](FakeRtcClient& client) {
            mostAlive = std::max(mostAlive, calls.Live.size());
            client.Addresses = {QString::fromLatin1(c.address), QStringLiteral("10.9.9.9:1")};
        };
        ASSERT_TRUE(manager->Init(1, QStringLiteral("taro")));
        EXPECT_EQ(Client().Log->Lines,
                  QStringList({"Advise", "Initialize", "SetEventFilter(2047)",
                               "SetPreferredMediaTypes(3,0)", "SetLocalUserName(自分)",
                               "SetListenForIncomingSessions(2)", "NetworkAddresses(0,0)",
                               "SetLocalUserURI(taro@" + QLatin1String(c.host) + ")"}));
        EXPECT_EQ(manager->LocalPort(), c.port) << c.address;
    }
    EXPECT_EQ(TakeTrace(), QStringList(5, "RTC_Initialized(MediaTypes=3)"));
    EXPECT_EQ(mostAlive, 0u) << "each Init let the client before go first";
}

TEST_F(Calls, InitChoosesTheMediaMaskForEveryCapabilityValue)
{
    // 3, 5 and 6 are ours to choose: video implies voice, a call needs an audio bit.
    const int masks[8] = {0, 3, 15, 15, 16, 19, 31, 31};
    for (int media = 0; media < 8; ++media) {
        Init(media);
        EXPECT_TRUE(Client().Log->Lines.contains(
            QStringLiteral("SetPreferredMediaTypes(%1,0)").arg(masks[media])))
            << media;
    }
}

TEST_F(Calls, AFailingStepEndsInitWithTheErrorBoxExceptForTheProbe)
{
    const char* steps[] = {"Initialize",
                           "SetEventFilter",
                           "SetPreferredMediaTypes",
                           "SetLocalUserName",
                           "SetListenForIncomingSessions",
                           "NetworkAddresses",
                           "SetLocalUserURI"};
    for (const char* step : steps) {
        for (int media : {0, 2}) {
            boxes.Clear();
            calls.Setup = [step](FakeRtcClient& client) { client.Log->FailAt = step; };
            EXPECT_FALSE(manager->Init(media, QStringLiteral("taro")));
            EXPECT_EQ(BoxTexts().join(""),
                      media == 0
                          ? QString()
                          : "エラー|RTC(MediaTypes=15)の初期化に失敗しました(fake failure in " +
                                QLatin1String(step) + ")");
            EXPECT_TRUE(calls.Live.empty()) << step << " the client was let go";
            EXPECT_EQ(manager->GetMediaCapabilities(), 0);
        }
    }
    boxes.Clear();
    calls.Setup = [](FakeRtcClient& client) { client.Addresses.clear(); };
    EXPECT_FALSE(manager->Init(1, QStringLiteral("taro")));
    calls.Available = false;
    EXPECT_FALSE(manager->Init(1, QStringLiteral("taro")));
    EXPECT_EQ(
        BoxTexts(),
        QStringList({"エラー|RTC(MediaTypes=3)の初期化に失敗しました(no network address)",
                     "エラー|RTC(MediaTypes=3)の初期化に失敗しました(RTC client not available.)"}));
}

TEST_F(Calls, CapabilitiesFollowTheClientsMedia)
{
    EXPECT_EQ(manager->GetMediaCapabilities(), 0) << "not initialised";
    const std::pair<int, int> cases[] = {{0, 0},  {2, 1},  {3, 1},  {4, 0},  {11, 3},
                                         {15, 3}, {16, 4}, {19, 5}, {31, 7}, {28, 4}};
    for (const auto& [media, caps] : cases) {
        calls.Setup = [media = media](FakeRtcClient& client) { client.Media = media; };
        Init(0);
        EXPECT_EQ(manager->GetMediaCapabilities(), caps) << media;
    }
}

TEST_F(Calls, ClientEventsAreTracedByName)
{
    Init(1);
    rtc::IClientEvents& events = *Client().Sink();
    events.OnClientEvent(rtc::ClientEventType::DeviceChange);
    events.OnClientEvent(rtc::ClientEventType::NetworkQualityChange);
    events.OnClientEvent(rtc::ClientEventType::AsyncCleanupDone);
    events.OnRegistrationStateChange(1, 200, QStringLiteral("OK"));
    events.OnSessionOperationComplete();
    events.OnMessaging();
    events.OnBuddy();
    events.OnWatcher();
    events.OnProfile();
    for (int state : {0, 1, 3, 4, 5, 7})
        events.OnParticipantStateChange(nullptr, rtc::ParticipantState(state));
    const char* prefix = "RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_";
    EXPECT_EQ(
        TakeTrace(),
        QStringList(
            {"RTCE_CLIENT.RTCCET_DEVICE_CHANGE", "RTCE_CLIENT.RTCCET_NETWORK_QUALITY_CHANGE",
             "RTCE_CLIENT.RTCCET_ASYNC_CLEANUP_DONE", "RTCE_REGISTRATION_STATE_CHANGE.200",
             "RTCE_SESSION_OPERATION_COMPLETE", "RTCE_MESSAGING", "RTCE_BUDDY", "RTCE_WATCHER",
             "RTCE_PROFILE", prefix + QStringLiteral("IDLE"), prefix + QStringLiteral("PENDING"),
             prefix + QStringLiteral("ANSWERING"), prefix + QStringLiteral("INPROGRESS"),
             prefix + QStringLiteral("ALERTING"), prefix + QStringLiteral("DISCONNECTING")}));
    EXPECT_EQ(Ops(), QStringList());
}

TEST_F(Calls, ReceivedVideoIsShownInTheClientsWindowAndAFailureIsTold)
{
    Init(3);
    rtc::IClientEvents& events = *Client().Sink();
    using M = rtc::MediaEventType;
    events.OnMediaEvent(rtc::VideoSend, M::Started); // the preview is not shown
    events.OnMediaEvent(rtc::VideoReceive, M::Stopped);
    events.OnMediaEvent(rtc::AudioReceive, M::Started);
    EXPECT_EQ(Ops(), QStringList());
    events.OnMediaEvent(rtc::VideoReceive, M::Started);
    EXPECT_TRUE(Client().ReceiveWindow.Visible);
    EXPECT_FALSE(Client().PreviewWindow.Visible);

    TakeTrace();
    for (const char* failing : {"Receive.SetVisible", "VideoWindow"}) {
        Client().Log->FailAt = failing;
        events.OnMediaEvent(rtc::VideoReceive, M::Started);
        EXPECT_EQ(TakeTrace().last(), "fake failure in " + QLatin1String(failing));
    }
    EXPECT_EQ(BoxTexts(), QStringList({"エラー|fake failure in Receive.SetVisible",
                                       "エラー|fake failure in VideoWindow"}));
}

TEST_F(Calls, TheTuningWizardAndTheSharingAppletsRunOnTheClient)
{
    manager->TuningWizard(); // no client yet: nothing happens
    calls.Setup = [](FakeRtcClient& client) { client.Media = 31; };
    Init(7);
    manager->TuningWizard();
    settings.setMediaOption(4);
    RtcStatusForm* form = Offered(false, true);
    form->SetStatus(3);
    // The machine has the whiteboard and the call offered it; a running applet stays.
    QTest::mouseClick(form->WbButton, Qt::LeftButton);
    Client().AppletRunning[1] = true;
    QTest::mouseClick(form->AppButton, Qt::LeftButton);
    EXPECT_EQ(Ops(), QStringList({"InvokeTuningWizard", "PlayRing(1)", "IsT120AppletRunning(0)",
                                  "StartT120Applet(0)", "IsT120AppletRunning(1)"}));
    Client().Log->FailAt = "InvokeTuningWizard";
    manager->TuningWizard();
    EXPECT_EQ(BoxTexts(), QStringList({"エラー|fake failure in InvokeTuningWizard"}));
}
