// Voice chat through the main control with a (fake) call client: the probe and its
// device picker, entry with the probed capabilities, the call confirmation, and a
// peer's request ringing in a status window, all over the real network component.
#include "ControlHarness.h"

#include "engine/Commands.h"
#include "ui/ConfirmVoIPForm.h"
#include "ui/PalavoCtrl.h"
#include "ui/RtcStatusForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace
{
// Runs `steps` on the call confirmation once it is up, then closes whatever is still
// modal so that a failed step cannot leave the test waiting.
void WhenConfirmationUp(const std::function<void(ConfirmVoIPForm&)>& steps, bool& ran)
{
    QTimer::singleShot(0, [&ran, steps] {
        if (auto* form = qobject_cast<ConfirmVoIPForm*>(QApplication::activeModalWidget())) {
            ran = true;
            steps(*form);
        }
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
}

QList<QByteArray> XmlTo(const ControlHarness& h, const QByteArray& host)
{
    QList<QByteArray> found;
    for (const SentDatagram& datagram : h.sent)
        if (datagram.Host == host && datagram.Bytes.contains("<Command>"))
            found << datagram.Bytes;
    return found;
}

// The open call windows, as a person (or an end-to-end test) finds them.
QList<RtcStatusForm*> StatusWindows()
{
    QList<RtcStatusForm*> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("RtcStatusForm") && window->isVisible())
            windows << static_cast<RtcStatusForm*>(window);
    return windows;
}

void VoiceCapable(rtc::FakeRtcClient& client)
{
    client.Media = rtc::AudioSend | rtc::AudioReceive | rtc::VideoSend | rtc::VideoReceive;
}
} // namespace

TEST(CallControl, TheTuningMenuOpensTheProbesDevicePicker)
{
    UiSettings settings;
    settings.callClient = true;
    ControlHarness h(settings);
    h.calls.Setup = VoiceCapable;
    PalavoCtrl& ctrl = h.Ctrl();
    ASSERT_EQ(h.calls.Made, 1) << "only the probe starts a client before entry";
    EXPECT_EQ(ctrl.MediaCapabilities(), 3);
    ASSERT_TRUE(h.Find<QAction>("MenuTunigWizard")->isEnabled());
    h.Choose("MenuTunigWizard");
    EXPECT_TRUE(h.calls.Last()->Journal->contains("InvokeTuningWizard"));
}

TEST(CallControl, EntryStartsVoiceChatWithTheProbedCapabilitiesAndAgainAfterCancel)
{
    UiSettings settings;
    settings.callClient = true;
    ControlHarness h(settings);
    h.calls.Setup = VoiceCapable;
    PalavoCtrl& ctrl = h.Ctrl();
    for (int round = 0; round < 2; ++round) {
        h.Choose("MenuEntry");
        EXPECT_EQ(ctrl.PanelText(2), "RTC ON") << round;
        ASSERT_NE(ctrl.VoiceCallManager(), nullptr);
        // The probe's client and the working manager's newest one.
        EXPECT_EQ(h.calls.Live.size(), 2u) << "the old working client was let go";
        EXPECT_TRUE(h.calls.Last()->Journal->contains("SetPreferredMediaTypes(15,0)"));
        h.Choose("MenuCancelEntry");
    }
}

TEST(CallControl, AConfirmedCallIsAskedForOverTheNetworkAndWaitsInItsWindow)
{
    struct Case {
        bool ok;
        bool chooseVideo;
        const char* request; // null: nothing sent
    };
    const Case cases[] = {
        {false, true, nullptr},
        {true, true, "<Command>RequestVoIP</Command><PortNo>5070</PortNo><Video>ON</Video>"},
        {true, false, "<Command>RequestVoIP</Command><PortNo>5070</PortNo><Video>OFF</Video>"},
    };
    for (const Case& c : cases) {
        UiSettings settings;
        settings.callClient = true;
        settings.media = 2; // video offered
        ControlHarness h(settings);
        h.calls.Setup = VoiceCapable;
        h.Choose("MenuEntry");
        h.PeerEnters("10.0.0.2", "花子", {});
        h.sent.clear();

        bool ran = false;
        WhenConfirmationUp(
            [&c](ConfirmVoIPForm& form) {
                EXPECT_EQ(form.windowTitle(), "音声(ビデオ)チャットの確認");
                EXPECT_EQ(form.lblMessage->text(), "花子さんに電話しますか？");
                EXPECT_TRUE(form.CheckVideo->isChecked());
                EXPECT_TRUE(form.CheckVideo->isEnabled());
                form.CheckVideo->setChecked(c.chooseVideo);
                form.findChild<QPushButton*>(c.ok ? "OKButton" : "CancelButton")->click();
            },
            ran);
        h.Ctrl().ExecVoiceChat(QStringLiteral("10.0.0.2"));
        EXPECT_TRUE(ran) << "the confirmation did not come up";

        const QList<QByteArray> sent = XmlTo(h, "10.0.0.2");
        if (c.request == nullptr) {
            EXPECT_TRUE(sent.isEmpty());
            EXPECT_TRUE(StatusWindows().isEmpty());
            continue;
        }
        ASSERT_EQ(sent.size(), 1);
        EXPECT_TRUE(sent[0].contains(c.request)) << sent[0].toStdString();
        const QList<RtcStatusForm*> windows = StatusWindows();
        ASSERT_EQ(windows.size(), 1);
        EXPECT_EQ(windows[0]->windowTitle(), "音声チャット for 花子");
        EXPECT_EQ(windows[0]->lblStatus->text(), "相手の承諾を待っています");
        // Leaving the network ends the request and closes the window.
        h.Choose("MenuCancelEntry");
        EXPECT_TRUE(windows[0]->Timer1.isActive());
        EXPECT_FALSE(h.Ctrl().VoiceCallManager()->IsUsing());
    }
}

TEST(CallControl, APeersRequestRingsAndIsAnsweredByThePlacedCall)
{
    UiSettings settings;
    settings.callClient = true;
    ControlHarness h(settings);
    h.calls.Setup = VoiceCapable;
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "花子", {});
    h.Receive("10.0.0.2", CMD_XML_MESSAGE | OPT_SEND_CHECK,
              "<Command>RequestVoIP</Command><PortNo>5066</PortNo><Video>OFF</Video>"
              "<capT120>DISABLE</capT120>");
    const QList<RtcStatusForm*> windows = StatusWindows();
    ASSERT_EQ(windows.size(), 1);
    RtcStatusForm& form = *windows[0];
    EXPECT_EQ(form.windowTitle(), "音声チャット for 花子");
    EXPECT_EQ(form.lblStatus->text(), "花子さんから音声チャットのお誘いです");
    rtc::FakeRtcClient& client = *h.calls.Last();
    EXPECT_TRUE(client.Journal->contains("PlayRing(1)"));

    form.btnAccept->click();
    EXPECT_TRUE(client.Journal->contains("AddParticipant(someone@10.0.0.2:5066,自分)"));
    EXPECT_EQ(form.lblStatus->text(), "処理中です");
    h.Choose("MenuCancelEntry");
}
