// The call manager and its client: initialisation, the media mask, capabilities,
// the client's events as traced, the video window and the tuning wizard.
#include "CallFixture.h"

#include "ui/RtcStatusForm.h"

#include <QPushButton>

using rtc::FakeRtcClient;

TEST_F(Calls, InitSetsTheClientUpInOrderAndReadsItsAddress)
{
    calls.Setup = [](FakeRtcClient& client) {
        client.Addresses = {QStringLiteral("192.168.1.10:5070"), QStringLiteral("10.1.1.1:9")};
    };
    ASSERT_TRUE(manager->Init(1, QStringLiteral("taro")));
    EXPECT_EQ(
        *Client().Journal,
        QStringList({"Advise", "Initialize", "SetEventFilter(2047)", "SetPreferredMediaTypes(3,0)",
                     "SetLocalUserName(自分)", "SetListenForIncomingSessions(2)",
                     "NetworkAddresses(0,0)", "SetLocalUserURI(taro@192.168.1.10)"}));
    EXPECT_EQ(manager->LocalPort(), 5070);
    EXPECT_EQ(TakeTrace(), QStringList({"RTC_Initialized(MediaTypes=3)"}));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Calls, InitChoosesTheMediaMaskForEveryCapabilityValue)
{
    // 0, 1, 2, 4 and 7 as designed; 3, 5 and 6 our choice: video implies voice, and a
    // call always needs an audio bit.
    const int masks[8] = {0, 3, 15, 15, 16, 19, 31, 31};
    for (int media = 0; media < 8; ++media) {
        ASSERT_TRUE(manager->Init(media, QStringLiteral("taro"))) << media;
        EXPECT_EQ(manager->MediaTypes(), masks[media]) << media;
        EXPECT_TRUE(Client().Journal->contains(
            QStringLiteral("SetPreferredMediaTypes(%1,0)").arg(masks[media])))
            << media;
    }
}

TEST_F(Calls, TheFirstNetworkAddressIsSplitAtItsFirstColon)
{
    struct Case {
        const char* address;
        const char* uri;
        int port;
    };
    const Case cases[] = {
        {"192.168.1.10:5070", "taro@192.168.1.10", 5070},
        {"10.0.0.5:5060;transport=tcp", "taro@10.0.0.5", 5060}, // leading digits only
        {"h:x1", "taro@h", 0},                                  // no digits: port 0
        {":5070", "taro@", 0},                                  // colon first: no host
        {"nocolon", "taro@", 0},
    };
    for (const Case& c : cases) {
        calls.Setup = [&c](FakeRtcClient& client) {
            client.Addresses = {QString::fromLatin1(c.address)};
        };
        ASSERT_TRUE(manager->Init(1, QStringLiteral("taro"))) << c.address;
        EXPECT_EQ(Client().Journal->last(), QStringLiteral("SetLocalUserURI(%1)").arg(c.uri))
            << c.address;
        EXPECT_EQ(manager->LocalPort(), c.port) << c.address;
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
            calls.Setup = [step](FakeRtcClient& client) { client.FailAt = QLatin1String(step); };
            EXPECT_FALSE(manager->Init(media, QStringLiteral("taro"))) << step;
            const QStringList expected =
                media == 0
                    ? QStringList()
                    : QStringList{QStringLiteral("エラー|RTC(MediaTypes=15)の初期化に失敗しま"
                                                 "した(fake failure in %1)")
                                      .arg(QLatin1String(step))};
            EXPECT_EQ(BoxTexts(), expected) << step << " media " << media;
            // Nothing after the failing step ran, and the client was let go.
            EXPECT_TRUE(calls.Live.empty()) << step;
            EXPECT_EQ(manager->GetMediaCapabilities(), 0) << step;
        }
    }
    // No client at all, and a client without a network address.
    boxes.Clear();
    calls.Available = false;
    EXPECT_FALSE(manager->Init(1, QStringLiteral("taro")));
    calls.Available = true;
    calls.Setup = [](FakeRtcClient& client) { client.Addresses.clear(); };
    EXPECT_FALSE(manager->Init(1, QStringLiteral("taro")));
    EXPECT_EQ(
        BoxTexts(),
        QStringList({"エラー|RTC(MediaTypes=3)の初期化に失敗しました(RTC client not available.)",
                     "エラー|RTC(MediaTypes=3)の初期化に失敗しました(no network address)"}));
}

TEST_F(Calls, InitAgainLetsTheOldClientGoFirst)
{
    Manager(1);
    FakeRtcClient* first = &Client();
    const rtc::FakeJournal firstJournal = first->Journal;
    Manager(3);
    EXPECT_EQ(calls.Made, 2);
    ASSERT_EQ(calls.Live.size(), 1u);
    EXPECT_EQ(firstJournal->last(), "Unadvise");
    // The new client hears the events.
    EXPECT_NE(Client().Sink(), nullptr);
    EXPECT_EQ(manager->MediaTypes(), 15);
}

TEST_F(Calls, CapabilitiesFollowTheClientsMedia)
{
    EXPECT_EQ(manager->GetMediaCapabilities(), 0) << "not initialised";
    struct Case {
        int media;
        int caps;
    };
    const Case cases[] = {
        {0, 0}, {1, 1},  {2, 1},  {3, 1},  {4, 0}, // video without audio is nothing
        {7, 3}, {11, 3}, {15, 3}, {16, 4}, {19, 5}, {31, 7}, {28, 4},
    };
    for (const Case& c : cases) {
        calls.Setup = [&c](FakeRtcClient& client) { client.Media = c.media; };
        Manager(0);
        EXPECT_EQ(manager->GetMediaCapabilities(), c.caps) << c.media;
    }
}

TEST_F(Calls, ClientEventsAreTracedWithTheirNames)
{
    Manager(1);
    rtc::IClientEvents& events = *Client().Sink();
    using P = rtc::ParticipantState;
    events.OnClientEvent(rtc::ClientEventType::DeviceChange);
    events.OnClientEvent(rtc::ClientEventType::NetworkQualityChange);
    events.OnClientEvent(rtc::ClientEventType::AsyncCleanupDone);
    events.OnRegistrationStateChange(1, 200, QStringLiteral("OK"));
    events.OnSessionOperationComplete();
    events.OnMessaging();
    events.OnBuddy();
    events.OnWatcher();
    events.OnProfile();
    for (P state :
         {P::Idle, P::Pending, P::Answering, P::InProgress, P::Alerting, P::Disconnecting})
        events.OnParticipantStateChange(nullptr, state);
    EXPECT_EQ(TakeTrace(),
              QStringList(
                  {"RTCE_CLIENT.RTCCET_DEVICE_CHANGE", "RTCE_CLIENT.RTCCET_NETWORK_QUALITY_CHANGE",
                   "RTCE_CLIENT.RTCCET_ASYNC_CLEANUP_DONE", "RTCE_REGISTRATION_STATE_CHANGE.200",
                   "RTCE_SESSION_OPERATION_COMPLETE", "RTCE_MESSAGING", "RTCE_BUDDY",
                   "RTCE_WATCHER", "RTCE_PROFILE", "RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_IDLE",
                   "RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_PENDING",
                   "RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_ANSWERING",
                   "RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_INPROGRESS",
                   "RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_ALERTING",
                   "RTCE_PARTICIPANT_STATE_CHANGE.RTCPS_DISCONNECTING"}));
    // Traced only: no call operation, no box.
    EXPECT_TRUE(CallOperations().isEmpty());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Calls, ReceivedVideoIsShownInTheClientsWindow)
{
    Manager(3);
    struct Case {
        int mediaType;
        rtc::MediaEventType type;
        bool shown;
    };
    const Case cases[] = {
        {rtc::VideoReceive, rtc::MediaEventType::Started, true},
        {rtc::VideoSend, rtc::MediaEventType::Started, false}, // the preview is not shown
        {rtc::VideoReceive, rtc::MediaEventType::Stopped, false},
        {rtc::AudioReceive, rtc::MediaEventType::Started, false},
    };
    for (const Case& c : cases) {
        Client().ReceiveWindow.Visible = false;
        Client().RaiseMediaEvent(c.mediaType, c.type);
        EXPECT_EQ(Client().ReceiveWindow.Visible, c.shown) << c.mediaType;
        EXPECT_FALSE(Client().PreviewWindow.Visible) << c.mediaType;
    }
    EXPECT_TRUE(boxes.Shown().empty());

    // A window that cannot be shown is traced and told.
    TakeTrace();
    Client().ReceiveWindow.Fails = true;
    Client().RaiseMediaEvent(rtc::VideoReceive, rtc::MediaEventType::Started);
    Client().HasVideoWindows = false;
    Client().RaiseMediaEvent(rtc::VideoReceive, rtc::MediaEventType::Started);
    EXPECT_EQ(BoxTexts(),
              QStringList({"エラー|fake failure in SetVisible", "エラー|no video window"}));
    const QStringList trace = TakeTrace();
    EXPECT_TRUE(trace.contains("fake failure in SetVisible")) << trace.join(u'\n').toStdString();
    EXPECT_TRUE(trace.contains("no video window")) << trace.join(u'\n').toStdString();
}

TEST_F(Calls, TheTuningWizardRunsOnTheClientWhenThereIsOne)
{
    manager->TuningWizard(); // no client yet: nothing, and no crash
    Manager(0);
    manager->TuningWizard();
    EXPECT_EQ(CallOperations(), QStringList({"InvokeTuningWizard"}));
    Client().FailAt = QStringLiteral("InvokeTuningWizard");
    manager->TuningWizard();
    EXPECT_EQ(BoxTexts(), QStringList({"エラー|fake failure in InvokeTuningWizard"}));
}

TEST_F(Calls, SharingButtonsStartTheirAppletsOnlyWhenNotRunning)
{
    calls.Setup = [](FakeRtcClient& client) { client.Media = 31; };
    Manager(7);
    settings.setMediaOption(4);
    RtcStatusForm* form = Offered(false, true);
    ASSERT_NE(form, nullptr);
    Client().Journal->clear();
    form->SetStatus(3);
    // The machine has the whiteboard and the call offered it: both usable.
    Click(form->WbButton);
    Client().AppletRunning[1] = true;
    Click(form->AppButton);
    EXPECT_EQ(*Client().Journal, QStringList({"IsT120AppletRunning(0)", "StartT120Applet(0)",
                                              "IsT120AppletRunning(1)"}));
}
