// Voice chat through the main control with a (fake) call client, over the real network
// component: the probe's device picker, entry with the probed capabilities, the call
// confirmation, and a peer's request ringing in its status window.
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

namespace
{
// Voice and video, entered, with 花子 (a copy of this product) at 10.0.0.2.
struct CallHarness : ControlHarness {
    explicit CallHarness(int media = 0) : ControlHarness(Settings(media))
    {
        calls.Setup = [](rtc::FakeRtcClient& client) { client.Media = 15; };
    }
    static UiSettings Settings(int media)
    {
        UiSettings settings;
        settings.callClient = true;
        settings.media = media;
        return settings;
    }
    void EnterWithPartner()
    {
        Choose("MenuEntry");
        PeerEnters("10.0.0.2", "花子", {});
        sent.clear();
    }
    QStringList Ops() const { return calls.Last()->Log->Lines; }
};

// The visible call windows, as a person (or an end-to-end test) finds them.
QList<RtcStatusForm*> StatusWindows()
{
    QList<RtcStatusForm*> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("RtcStatusForm") && window->isVisible())
            windows << static_cast<RtcStatusForm*>(window);
    return windows;
}
} // namespace

TEST(CallControl, TheProbeStartsAloneAndTheTuningMenuOpensItsDevicePicker)
{
    CallHarness h;
    EXPECT_EQ(h.Ctrl().MediaCapabilities(), 3);
    ASSERT_EQ(h.calls.Made, 1) << "only the probe starts a client before entry";
    h.Choose("MenuTunigWizard");
    EXPECT_TRUE(h.Ops().contains("InvokeTuningWizard"));
    // Entry, again after a cancelled one, starts the working manager with voice and video.
    for (int round = 0; round < 2; ++round) {
        h.Choose("MenuEntry");
        EXPECT_EQ(h.Ctrl().PanelText(2), "RTC ON");
        EXPECT_EQ(h.calls.Live.size(), 2u) << "the probe's and the newest working client";
        EXPECT_TRUE(h.Ops().contains("SetPreferredMediaTypes(15,0)"));
        h.Choose("MenuCancelEntry");
    }
}

TEST(CallControl, AConfirmedCallIsAskedForOverTheNetworkAndWaitsInItsWindow)
{
    struct Case {
        bool ok;
        bool video;
        const char* request; // null: nothing is sent
    };
    const Case cases[] = {
        {false, true, nullptr},
        {true, true, "<Command>RequestVoIP</Command><PortNo>5070</PortNo><Video>ON</Video>"},
        {true, false, "<Command>RequestVoIP</Command><PortNo>5070</PortNo><Video>OFF</Video>"},
    };
    for (const Case& c : cases) {
        CallHarness h(2); // video offered
        h.EnterWithPartner();
        bool ran = false;
        QTimer::singleShot(0, [&] {
            if (auto* form = qobject_cast<ConfirmVoIPForm*>(QApplication::activeModalWidget())) {
                ran = true;
                EXPECT_EQ(form->lblMessage->text(), "花子さんに電話しますか？");
                EXPECT_TRUE(form->CheckVideo->isChecked() && form->CheckVideo->isEnabled());
                form->CheckVideo->setChecked(c.video);
                form->findChild<QPushButton*>(c.ok ? "OKButton" : "CancelButton")->click();
            }
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        h.Ctrl().ExecVoiceChat(QStringLiteral("10.0.0.2"));
        EXPECT_TRUE(ran) << "the confirmation did not come up";

        const QByteArray sent = h.sent.empty() ? QByteArray() : h.sent.back().Bytes;
        EXPECT_EQ(sent.contains("RequestVoIP"), c.request != nullptr);
        if (c.request == nullptr) {
            EXPECT_TRUE(StatusWindows().isEmpty());
            continue;
        }
        EXPECT_EQ(h.sent.back().Host, "10.0.0.2");
        EXPECT_TRUE(sent.contains(c.request)) << sent.toStdString();
        const QList<RtcStatusForm*> windows = StatusWindows();
        ASSERT_EQ(windows.size(), 1);
        EXPECT_EQ(windows[0]->windowTitle(), "音声チャット for 花子");
        EXPECT_EQ(windows[0]->lblStatus->text(), "相手の承諾を待っています");
        // Leaving the network ends the request and closes the window.
        h.Choose("MenuCancelEntry");
        EXPECT_TRUE(windows[0]->Timer1.isActive());
    }
}

TEST(CallControl, APeersRequestRingsAndIsAnsweredByThePlacedCall)
{
    CallHarness h;
    h.EnterWithPartner();
    h.Receive("10.0.0.2", CMD_XML_MESSAGE | OPT_SEND_CHECK,
              "<Command>RequestVoIP</Command><PortNo>5066</PortNo><Video>OFF</Video>"
              "<capT120>DISABLE</capT120>");
    const QList<RtcStatusForm*> windows = StatusWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0]->windowTitle(), "音声チャット for 花子");
    EXPECT_TRUE(h.Ops().contains("PlayRing(1)"));
    windows[0]->btnAccept->click();
    EXPECT_TRUE(h.Ops().contains("AddParticipant(someone@10.0.0.2:5066,自分)"));
    EXPECT_EQ(windows[0]->lblStatus->text(), "処理中です");
}
