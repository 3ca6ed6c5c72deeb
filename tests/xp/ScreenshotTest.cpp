// PalavoXP's windows on a real X display (Xvfb), saved as PNGs in the build tree for a
// person to look at: the main window with three members, one of them away; a
// conversation in both colours; a group window with both member colours.
#include "ChatWindows.h"
#include "XpScreenshot.h"

#include "client/UserList.h"
#include "client/groupList.h"
#include "ui/ChatForm.h"
#include "ui/GroupChatForm.h"

#include "host/MainForm.h"
#include "support/EventWaiter.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

namespace
{

// Pixels of `image` close to `colour` (each channel within `slack`).
int PixelsNear(const QImage& image, QColor colour, int slack)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            count += std::abs(qRed(line[x]) - colour.red()) <= slack &&
                     std::abs(qGreen(line[x]) - colour.green()) <= slack &&
                     std::abs(qBlue(line[x]) - colour.blue()) <= slack;
    }
    return count;
}

// The window raised, painted and grabbed from the display.
QImage Shot(QWidget& window)
{
    window.show();
    window.raise();
    window.activateWindow();
    EXPECT_TRUE(WaitUntil([&] { return Colours(OnScreen(window), 3) > 2; }, 10000))
        << "the window never appeared on the display";
    window.repaint();
    WaitUntil([] { return false; }, 200);
    return OnScreen(window);
}

TEST_F(XpScreenshot, MainWindowWithThreeMembers)
{
    MainForm* window = OpenWindow();
    ASSERT_NE(window, nullptr);
    CliPeer& second = EnteredPeer(2);
    CliPeer& third = EnteredPeer(3);
    ASSERT_TRUE(second.Call("UpdatePresense", Args({0, "会議中", ""}))["ok"].toBool());
    const QString self = Lan().Address(1);
    EXPECT_TRUE(ShowsRows({ExpectedRow(OwnAliase(), "", self, true),
                           ExpectedRow(SettingsFor(2).Aliase, "会議中", second.Address(), false),
                           ExpectedRow(SettingsFor(3).Aliase, "", third.Address(), true)}));
    ASSERT_EQ(Ctrl().PanelText(3), QStringLiteral("メンバ 3名"));

    // Mapped and painted: a blank or half-made window has one or two colours.
    window->raise();
    window->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return Colours(OnScreen(*window), 3) > 2; }, 10000))
        << "the window never appeared on the display";
    // The rows arrived before the last paint may have: paint once more, then look.
    window->repaint();
    const QImage shot = OnScreen(*window);

    const QString path = SaveArtifact(shot, QStringLiteral("palavo-xp-main.png"));
    ASSERT_FALSE(path.isEmpty()) << "the picture could not be saved";
    RecordProperty("screenshot", path.toStdString());

    // The file on disk is the whole window, with text, icons and frames in it.
    const QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    // The member list in it shows its rows (text and icons), not a blank field.
    auto* rows = window->findChild<QAbstractScrollArea*>("ListView");
    ASSERT_NE(rows, nullptr);
    const qreal ratio = window->devicePixelRatio();
    const QRect listed(rows->viewport()->mapTo(window, QPoint()) * ratio,
                       rows->viewport()->size() * ratio);
    EXPECT_GT(Colours(saved.copy(listed), 3), 2) << "the member list is blank in the picture";
    EXPECT_GE(Colours(saved, 64), 64) << "the picture is nearly blank";
}

TEST_F(XpScreenshot, ConversationInBothColours)
{
    ASSERT_NE(OpenWindow(), nullptr);
    CliPeer& peer = EnteredPeer(2);
    const QString self = Lan().Address(1);
    const QStringList theirs = {"お疲れさまです。明日の打ち合わせの件です。",
                                "資料は共有フォルダに置きました。", "ご確認よろしくお願いします！"};
    const QStringList ours = {"了解です。午後二時からで大丈夫ですか？",
                              "確認しました、ありがとうございます。"};
    ASSERT_TRUE(peer.Call("SendPrivateMessage", Args({self, 1, theirs[0]}))["ok"].toBool());
    ASSERT_TRUE(WaitUntil([&] { return ChatWindows::Of(Ctrl(), peer.Address()) != nullptr; }));
    ChatForm& form = *ChatWindows::Of(Ctrl(), peer.Address());
    for (int i = 0; i < ours.size(); ++i) {
        ChatWindows::Type(form, ours[i]);
        ASSERT_GE(peer.WaitForEvent("MessageReceived",
                                    [&](const QJsonArray& args) { return args.at(3) == ours[i]; }),
                  0);
        ASSERT_TRUE(peer.Call("SendPrivateMessage", Args({self, 1, theirs[i + 1]}))["ok"].toBool());
    }
    ASSERT_TRUE(WaitUntil([&] { return ChatWindows::Lines(form).size() == 5; }))
        << testing::PrintToString(ChatWindows::Lines(form));

    const QImage shot = Shot(form);
    const QString path = SaveArtifact(shot, QStringLiteral("palavo-xp-chat.png"));
    ASSERT_FALSE(path.isEmpty());
    RecordProperty("chat_screenshot", path.toStdString());
    // The glyphs' cores are drawn in the line colours themselves.
    EXPECT_GT(PixelsNear(shot, QColor(0, 0, 255), 24), 50) << "no blue lines on the display";
    EXPECT_GT(PixelsNear(shot, QColor(255, 0, 0), 24), 50) << "no red lines on the display";
    // Closed, it goes with its record instead of staying on the display for the next case.
    form.close();
}

TEST_F(XpScreenshot, GroupWindowWithBothMemberColours)
{
    ASSERT_NE(OpenWindow(), nullptr);
    // The program's own record may be listed before its application information is in;
    // the window lists a member it finds already there only once that says "Palavo XP",
    // and nothing adds it later, so wait for it (a loaded machine answers slowly).
    ASSERT_TRUE(WaitUntil([&] {
        const UserInformation* self = Ctrl().Session().Users().SearchUserAddr(Lan().Address(1));
        return self != nullptr && self->IsProductUser();
    }));
    // The window is up first, so every member of the group who enters is listed.
    Ctrl().Session().Groups().SearchGroup("開発部")->ShowChatForm();
    GroupChatForm& form = *ChatWindows::OfGroup(Ctrl(), "開発部");
    CliPeer& messenger = Start(2);
    ASSERT_TRUE(messenger.Set("ApplicationName", "IP Messenger for Linux")["ok"].toBool());
    ASSERT_TRUE(messenger.Call("Entry", Args({1, ""}))["ok"].toBool());
    CliPeer& palavo = EnteredPeer(3);

    auto* list = form.findChild<QTreeWidget*>("MemberListView");
    const auto items = [&] {
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            texts << list->topLevelItem(i)->text(1) + '|' +
                         list->topLevelItem(i)->foreground(0).color().name();
        texts.sort();
        return texts;
    };
    QStringList expected = {Lan().Address(1) + "|#000000", messenger.Address() + "|#8080c0",
                            palavo.Address() + "|#000000"};
    expected.sort();
    EXPECT_TRUE(WaitUntil([&] { return items() == expected; }, 10000))
        << testing::PrintToString(items());
    ChatWindows::Type(form, "今週の定例は木曜日に変更します。");
    ASSERT_TRUE(palavo.Call("CastGroupMessage", Args({"承知しました！", "開発部"}))["ok"].toBool());
    EXPECT_TRUE(WaitUntil([&] { return ChatWindows::Lines(form).size() == 2; }))
        << testing::PrintToString(ChatWindows::Lines(form));

    const QImage shot = Shot(form);
    const QString path = SaveArtifact(shot, QStringLiteral("palavo-xp-group.png"));
    ASSERT_FALSE(path.isEmpty());
    RecordProperty("group_screenshot", path.toStdString());
    EXPECT_GT(PixelsNear(shot, QColor(128, 128, 192), 12), 20)
        << "no greyish blue member on the display";
    form.close();
}

// Each toolbar menu dropped down by a real click, and the member pop-up, over the entered
// window with two members: one picture each, with the whole menu on the screen.
TEST_F(XpScreenshot, EachMenuOpen)
{
    MainForm* window = OpenWindow();
    ASSERT_NE(window, nullptr);
    CliPeer& second = EnteredPeer(2);
    EXPECT_TRUE(ShowsRows({ExpectedRow(OwnAliase(), "", Lan().Address(1), true),
                           ExpectedRow(SettingsFor(2).Aliase, "", second.Address(), true)}));
    window->raise();
    window->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return Colours(OnScreen(*window), 3) > 2; }, 10000));

    // Takes the picture of the menu that is up, then closes it.
    auto shoot = [&](const QString& name, QStringList& items) {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        // The display keeps the last menu's pixels until the new one has painted: give
        // the window and the menu time to paint before the picture.
        QTest::qWait(300);
        const QRect area = window->frameGeometry().united(menu->geometry());
        EXPECT_TRUE(window->screen()->geometry().contains(menu->geometry())) << name.toStdString();
        // Every caption fits its line: the menu is at least as wide as the widest.
        int widest = 0;
        for (QAction* action : menu->actions())
            if (!action->isSeparator()) {
                items << action->text();
                widest = std::max(widest, menu->fontMetrics().horizontalAdvance(action->text()));
            }
        EXPECT_GT(menu->width(), widest) << name.toStdString();
        const QString path = SaveArtifact(OnScreen(*window, area), name);
        EXPECT_FALSE(path.isEmpty()) << name.toStdString();
        RecordProperty(name.toStdString(), path.toStdString());
        menu->close();
        QTest::qWait(200);
    };
    const char* const captions[] = {
        "", "エントリ", "大きいアイコン", "メッセージング", "オプション設定", "ヘルプ(Palavo XP)"};
    for (int index = 1; index <= 5; ++index) {
        auto* button =
            window->findChild<QToolButton*>(QStringLiteral("ToolbarMenuButton%1").arg(index));
        ASSERT_NE(button, nullptr) << index;
        QStringList items;
        QTimer::singleShot(
            200, [&] { shoot(QStringLiteral("palavo-xp-menu-%1.png").arg(index), items); });
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_FALSE(items.isEmpty()) << "menu " << index << " never dropped down";
        EXPECT_EQ(items.first(), QString::fromUtf8(captions[index])) << index;
    }

    // The member pop-up: a right click on the first row.
    QAbstractItemView* list = Ctrl().ListView();
    const QPoint row = list->visualRect(list->model()->index(0, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row);
    QStringList items;
    ASSERT_TRUE(WaitUntil([] { return QApplication::activePopupWidget() != nullptr; }, 5000));
    shoot(QStringLiteral("palavo-xp-member-menu.png"), items);
    EXPECT_EQ(items, QStringList({"メッセージング", "音声チャット", "メール送信", "ファイル転送",
                                  "プロパティ"}));
}

} // namespace
