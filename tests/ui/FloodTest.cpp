// The boxes and chat windows one member can put on the desktop by repeating itself,
// through the real control and component (peers played by datagrams).
#include "ControlHarness.h"

#include "client/GroupInformation.h"
#include "engine/Commands.h"
#include "ui/ChatForm.h"
#include "ui/GroupChatForm.h"
#include "ui/PalavoCtrl.h"

#include <QApplication>
#include <QPushButton>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace
{
// The send buttons of the visible windows of one kind, as a person sees them.
template <typename Form> QList<QPushButton*> SendButtons()
{
    QList<QPushButton*> buttons;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<Form*>(window) != nullptr && window->isVisible())
            buttons << window->findChild<QPushButton*>("btnSend");
    return buttons;
}
} // namespace

// Refusals (busy: another member's call rings; no voice chat) find the channel waiting for
// the receipt the member never sends: the first goes out, the rest wait, none shows a box.
TEST(Flood, TenCallRequestsFromAMemberThatNeverAcknowledgesShowNoBox)
{
    const QByteArray request = "<Command>RequestVoIP</Command><PortNo>5066</PortNo>";
    for (const bool voiceChat : {true, false}) {
        SCOPED_TRACE(voiceChat ? "busy with another member's call" : "no voice chat");
        ControlHarness h({.callClient = voiceChat});
        h.Choose("MenuEntry");
        h.PeerEnters("10.0.0.2", "花子", {});
        h.PeerEnters("10.0.0.3", "次郎", {});
        if (voiceChat)
            h.Receive("10.0.0.3", CMD_XML_MESSAGE | OPT_SEND_CHECK, request);
        for (int i = 0; i < 10; ++i)
            h.Receive("10.0.0.2", CMD_XML_MESSAGE | OPT_SEND_CHECK, request);
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(h.BoxTexts(), QStringList());
        QList<QByteArray> refused; // the first refusal goes out, the rest wait
        for (const SentDatagram& datagram : h.sent)
            if (datagram.Bytes.contains("RejectVoIP"))
                refused << datagram.Host;
        EXPECT_EQ(refused, QList<QByteArray>{"10.0.0.2"});
    }
}

// A member back, under any nickname, gets its window again: enabled, retitled, lines kept.
TEST(Flood, EightEnterMessageExitRoundsLeaveOneWindow)
{
    ControlHarness h;
    h.Choose("MenuEntry");
    for (int round = 1; round <= 8; ++round) {
        SCOPED_TRACE(round);
        const QString alias = QStringLiteral("太郎%1").arg(round);
        h.PeerEnters("10.0.0.2", alias, {});
        h.Receive("10.0.0.2", CMD_SEND_MESSAGE, "round " + QByteArray::number(round));
        const QList<QPushButton*> send = SendButtons<ChatForm>();
        ASSERT_EQ(send.size(), 1);
        EXPECT_TRUE(send[0]->isEnabled());
        QWidget* window = send[0]->window();
        EXPECT_EQ(window->windowTitle(), "Chat For " + alias + "(10.0.0.2)");
        EXPECT_EQ(window->findChild<QTextEdit*>("RichTextBox")->toPlainText().count("round"),
                  round);
        h.PeerExits("10.0.0.2", alias);
        EXPECT_FALSE(send[0]->isEnabled());
    }
}

// The groups are made anew at every entry; an open group window is the same window.
TEST(Flood, EntriesAfterCancelledEntriesLeaveOneGroupWindow)
{
    ControlHarness h({.grouplist = QStringLiteral("開発")});
    h.Choose("MenuEntry");
    h.Ctrl().Session().Groups().SearchGroup(QStringLiteral("開発"))->ShowChatForm();
    for (int round = 0; round < 3; ++round) {
        h.Choose("MenuCancelEntry");
        h.Choose("MenuEntry");
    }
    const QList<QPushButton*> send = SendButtons<GroupChatForm>();
    ASSERT_EQ(send.size(), 1);
    EXPECT_TRUE(send[0]->isEnabled());
}
