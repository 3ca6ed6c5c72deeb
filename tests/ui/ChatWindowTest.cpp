// The one-to-one and group chat windows as the control makes them, over the real
// component: lines sent, received and answered, their colours read back from the
// document, reopening, the window left behind by a member who exits, and the group
// window's member list.
#include "ControlHarness.h"

#include "client/GroupInformation.h"
#include "client/UserList.h"
#include "client/groupList.h"
#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "platform/Cp932.h"
#include "support/EventWaiter.h"
#include "ui/ChatForm.h"
#include "ui/GroupChatForm.h"
#include "ui/PalavoCtrl.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace
{

// Each line of a display as "text|#rrggbb" (the colour of its first character).
QStringList Lines(QWidget& window)
{
    auto* display = window.findChild<QTextEdit*>("RichTextBox");
    QStringList lines;
    for (QTextBlock block = display->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty() && !block.next().isValid())
            break; // after the last CR LF
        const QColor colour = block.begin().fragment().charFormat().foreground().color();
        lines << block.text() + QLatin1Char('|') + colour.name();
    }
    return lines;
}

ChatForm* ChatWindow(ControlHarness& h, const QString& address)
{
    UserInformation* record = h.Ctrl().Session().Users().SearchUserAddr(address);
    return record != nullptr ? dynamic_cast<ChatForm*>(record->ExistingChatForm()) : nullptr;
}

void Type(QWidget& window, const QString& text)
{
    auto* input = window.findChild<QLineEdit*>("TextBox");
    input->setText(text);
    QTest::keyClick(input, Qt::Key_Return);
}

// The texts the component sent to `host` with `command`, oldest first.
QStringList SentTexts(const ControlHarness& h, const QByteArray& host, int32_t command)
{
    QStringList texts;
    for (const SentDatagram& datagram : h.sent) {
        const ReceivedPacket packet = ParsePacket(datagram.Bytes, SocketEvent{});
        if (datagram.Host == host && packet.Command == command)
            texts << Cp932::ToUnicode(packet.Extra);
    }
    return texts;
}

// The peer's receipt for the last message sent to it, so the next one may go.
void AnswerReceipt(ControlHarness& h, const QByteArray& peer)
{
    for (auto it = h.sent.rbegin(); it != h.sent.rend(); ++it) {
        const ReceivedPacket packet = ParsePacket(it->Bytes, SocketEvent{});
        if (it->Host == peer && packet.Command == CMD_SEND_MESSAGE) {
            h.Receive(peer, CMD_RECEIPT, QByteArray::number(packet.PacketNo));
            return;
        }
    }
    ADD_FAILURE() << "nothing was sent to " << peer.toStdString();
}

const QString Blue = QStringLiteral("|#0000ff");
const QString Red = QStringLiteral("|#ff0000");

TEST(ChatWindow, EachLineIsShownOnceAsPlainTextInTheColourOfItsSide)
{
    ControlHarness h;
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "太郎", {"Dev"});
    h.Receive("10.0.0.2", CMD_SEND_MESSAGE,
              Cp932::FromUnicode(QStringLiteral("<b>太字</b> &amp; 1<2")));
    ChatForm* form = ChatWindow(h, "10.0.0.2");
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), "Chat For 太郎(10.0.0.2)");

    // Each step adds one line; the display must then hold exactly the lines so far.
    struct Step {
        const char* what;
        std::function<void()> act;
        QString line;
    };
    const Step steps[] = {
        {"empty send", [&] { Type(*form, QString()); }, "太郎 <=\t" + Blue},
        {"send",
         [&] {
             AnswerReceipt(h, "10.0.0.2");
             Type(*form, "こんにちは");
         },
         "太郎 <=\tこんにちは" + Blue},
        {"group line", [&] { form->Recvmsg("会議です", "Dev", false, {}); },
         "太郎(Dev) =>\t会議です" + Red},
        {"absence reply", [&] { form->NotifiyResponsed("外出中", {}); }, "太郎 <=\t外出中" + Blue},
    };
    QStringList expected = {"太郎 =>\t<b>太字</b> &amp; 1<2" + Red};
    EXPECT_EQ(Lines(*form), expected);
    for (const Step& step : steps) {
        step.act();
        expected << step.line;
        EXPECT_EQ(Lines(*form), expected) << step.what;
    }
    EXPECT_EQ(SentTexts(h, "10.0.0.2", CMD_SEND_MESSAGE), (QStringList{"", "こんにちは"}));
    EXPECT_TRUE(form->findChild<QLineEdit*>("TextBox")->text().isEmpty());
}

TEST(ChatWindow, AReopenedWindowShowsOnlyNewLinesAndAnExitLeavesItReadable)
{
    ControlHarness h;
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "太郎", {});
    h.Receive("10.0.0.2", CMD_SEND_MESSAGE, Cp932::FromUnicode(QStringLiteral("一")));
    QPointer<ChatForm> form = ChatWindow(h, "10.0.0.2");
    ASSERT_NE(form, nullptr);
    form->close();
    EXPECT_FALSE(form->isVisible());
    h.Receive("10.0.0.2", CMD_SEND_MESSAGE, Cp932::FromUnicode(QStringLiteral("二")));
    ASSERT_EQ(ChatWindow(h, "10.0.0.2"), form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(Lines(*form), QStringList{"太郎 =>\t二" + Red});

    // The member leaves: the window stays, greyed, with its lines, and sends nothing.
    h.PeerExits("10.0.0.2", "太郎");
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(Lines(*form), QStringList{"太郎 =>\t二" + Red});
    auto* input = form->findChild<QLineEdit*>("TextBox");
    EXPECT_FALSE(input->isEnabled());
    EXPECT_FALSE(form->findChild<QPushButton*>("btnSend")->isEnabled());
    for (const char* name : {"TextBox", "RichTextBox"})
        EXPECT_EQ(form->findChild<QWidget*>(name)->palette().color(QPalette::Base),
                  QColor(192, 192, 192))
            << name;
    const size_t sent = h.sent.size();
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_EQ(h.sent.size(), sent);

    // Closed by the user, it goes.
    form->close();
    EXPECT_TRUE(WaitUntil([&] { return form.isNull(); }, 2000));
}

TEST(GroupChatWindow, ListsEachMemberOnceColouredByToolAndTalksToTheGroup)
{
    UiSettings settings;
    settings.grouplist = "Dev";
    ControlHarness h(settings);
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "太郎", {"Dev"});
    h.ChooseGroup(1);
    h.Click("cmdGroupCast");
    GroupInformation* record = h.Ctrl().Session().Groups().SearchGroup("Dev");
    ASSERT_NE(record, nullptr);
    auto* form = dynamic_cast<GroupChatForm*>(record->ExistingChatForm());
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), "グループチャット For Dev");

    // An IP Messenger peer of the group enters while the window is up.
    h.PeerEnters("10.0.0.3", "花子", {"Dev"}, "IP Messenger for Win 2.0");
    form->AddMember("花子", "10.0.0.3");
    form->DeleteMember("10.9.9.9");
    auto* list = form->findChild<QTreeWidget*>("MemberListView");
    const auto items = [&] {
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            texts << item->text(0) + '|' + item->text(1) + '|' + item->foreground(0).color().name();
        }
        return texts;
    };
    const QStringList coloured = {"太郎|10.0.0.2|#000000", "花子|10.0.0.3|#8080c0"};
    EXPECT_TRUE(WaitUntil([&] { return items() == coloured; })) << testing::PrintToString(items());

    Type(*form, "みなさん");
    h.PeerCasts("10.0.0.2", "Dev", "了解");
    EXPECT_EQ(Lines(*form), (QStringList{"自分 =>\tみなさん" + Blue, "太郎 =>\t了解" + Red}));
    bool cast = false;
    for (const SentDatagram& datagram : h.sent)
        cast |= Cp932::ToUnicode(ParsePacket(datagram.Bytes, SocketEvent{}).Extra) == "みなさん";
    EXPECT_TRUE(cast);

    form->DeleteMember("10.0.0.2");
    EXPECT_EQ(list->topLevelItemCount(), 1);

    // Closed, it asks the records no more.
    form->close();
    EXPECT_FALSE(form->findChild<QTimer*>("RefreshTimer")->isActive());
}

} // namespace
