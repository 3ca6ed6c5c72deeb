// What one member can make the program put on the desktop, by repeating itself: boxes
// and chat windows, through the real control and component (peers played by datagrams).
#include "ControlHarness.h"

#include "client/GroupInformation.h"
#include "engine/Commands.h"
#include "platform/Cp932.h"
#include "ui/ChatForm.h"
#include "ui/GroupChatForm.h"
#include "ui/PalavoCtrl.h"

#include <QApplication>
#include <QPushButton>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace
{
// The visible windows of one kind, as a person sees them.
template <typename Form> QList<Form*> Shown(const char* name)
{
    QList<Form*> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String(name) && window->isVisible())
            windows << static_cast<Form*>(window);
    return windows;
}

bool Enabled(QWidget& window)
{
    return window.findChild<QPushButton*>("btnSend")->isEnabled();
}
} // namespace

// The call manager's refusals (busy: another member's call is ringing; no voice chat at
// all) find the channel waiting for the receipt the member never sends; none of them
// shows a box. (The ringing member's own repeats are no refusal: they are ignored.)
TEST(Flood, TenCallRequestsFromAMemberThatNeverAcknowledgesShowNoBox)
{
    for (const bool voiceChat : {true, false}) {
        SCOPED_TRACE(voiceChat ? "busy with another member's call" : "no voice chat");
        UiSettings settings;
        settings.callClient = voiceChat;
        ControlHarness h(settings);
        h.calls.Setup = [](rtc::FakeRtcClient& client) { client.Media = 15; };
        h.Choose("MenuEntry");
        h.PeerEnters("10.0.0.2", "花子", {});
        if (voiceChat) {
            h.PeerEnters("10.0.0.3", "次郎", {});
            h.Receive("10.0.0.3", CMD_XML_MESSAGE | OPT_SEND_CHECK,
                      "<Command>RequestVoIP</Command><PortNo>5066</PortNo>");
        }
        h.sent.clear();
        for (int i = 0; i < 10; ++i)
            h.Receive("10.0.0.2", CMD_XML_MESSAGE | OPT_SEND_CHECK,
                      "<Command>RequestVoIP</Command><PortNo>5066</PortNo>");
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(h.BoxTexts(), QStringList());
        int refusals = 0;
        for (const SentDatagram& datagram : h.sent)
            refusals += datagram.Bytes.contains("RejectVoIP") ? 1 : 0;
        EXPECT_EQ(refusals, 1) << "the first refusal goes out, then the channel waits";
    }
}

// A member that comes back gets its window again, enabled, with every line so far.
TEST(Flood, EightEnterMessageExitRoundsLeaveOneWindow)
{
    ControlHarness h;
    h.Choose("MenuEntry");
    for (int round = 1; round <= 8; ++round) {
        h.PeerEnters("10.0.0.2", "太郎", {});
        h.Receive("10.0.0.2", CMD_SEND_MESSAGE, "round " + QByteArray::number(round));
        const QList<ChatForm*> windows = Shown<ChatForm>("ChatForm");
        ASSERT_EQ(windows.size(), 1) << "round " << round;
        EXPECT_TRUE(Enabled(*windows[0])) << "round " << round;
        EXPECT_EQ(windows[0]->findChild<QTextEdit*>("RichTextBox")->toPlainText().count("round"),
                  round);
        h.PeerExits("10.0.0.2", "太郎");
        EXPECT_FALSE(Enabled(*windows[0])) << "round " << round;
    }
}

// The groups are made anew at every entry; an open group window is the same window.
TEST(Flood, EntriesAfterCancelledEntriesLeaveOneGroupWindow)
{
    UiSettings settings;
    settings.grouplist = QStringLiteral("開発");
    ControlHarness h(settings);
    h.Choose("MenuEntry");
    h.Ctrl().Session().Groups().SearchGroup(QStringLiteral("開発"))->ShowChatForm();
    for (int round = 0; round < 3; ++round) {
        h.Choose("MenuCancelEntry");
        h.Choose("MenuEntry");
    }
    const QList<GroupChatForm*> windows = Shown<GroupChatForm>("GroupChatForm");
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(Enabled(*windows[0]));
}
