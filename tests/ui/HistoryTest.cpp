// Conversations kept on disk ("会話の履歴を保存する"): back after a restart, found by a
// search, and a store that cannot be read.
#include "ControlHarness.h"

#include "client/GroupInformation.h"
#include "client/UserInformation.h"
#include "engine/Commands.h"
#include "platform/Cp932.h"
#include "ui/ChatForm.h"
#include "ui/GroupChatForm.h"
#include "ui/HistorySearchForm.h"
#include "ui/PalavoCtrl.h"
#include "xp/ChatWindows.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using ChatWindows::Lines;

namespace
{
const QString Red = QStringLiteral("|#ff0000"), Blue = QStringLiteral("|#0000ff");
const QString Apart = QStringLiteral("―――――― ここまでは以前の会話です ――――――|#808080");

// A member of 開発 who says `line` to the user and in the group, and hears one back.
void Talk(ControlHarness& h, const QString& line)
{
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", QStringLiteral("花子"), {QStringLiteral("開発")});
    h.Receive("10.0.0.2", CMD_SEND_MESSAGE, Cp932::FromUnicode(line));
    ChatWindows::Type(*ChatWindows::Of(h.Ctrl(), "10.0.0.2"), QStringLiteral("了解です"));
    h.PeerCasts("10.0.0.2", QStringLiteral("開発"), QStringLiteral("会議は三時から"));
}
} // namespace

TEST(History, LinesComeBackAfterARestartInOrderAndColourOnlyWhenKept)
{
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "kept" : "not kept");
        QTemporaryDir home;
        UiSettings settings;
        settings.grouplist = QStringLiteral("開発");
        settings.saveHistory = keep;
        settings.home = home.path();
        {
            ControlHarness before(settings);
            Talk(before, QStringLiteral("明日の定例会議は中止です"));
        }
        ControlHarness after(settings);
        after.Choose("MenuEntry");
        after.PeerEnters("10.0.0.2", QStringLiteral("花子"), {QStringLiteral("開発")});
        after.Ctrl().Session().Users().SearchUserAddr("10.0.0.2")->ShowChatForm();
        after.Ctrl().Session().Groups().SearchGroup(QStringLiteral("開発"))->ShowChatForm();
        const QStringList chat = Lines(*ChatWindows::Of(after.Ctrl(), "10.0.0.2"));
        const QStringList group = Lines(*ChatWindows::OfGroup(after.Ctrl(), QStringLiteral("開発")));
        if (keep) {
            EXPECT_EQ(chat, QStringList({"花子 =>\t明日の定例会議は中止です" + Red,
                                         "花子 <=\t了解です" + Blue, Apart}));
            EXPECT_EQ(group, QStringList({"花子 =>\t会議は三時から" + Red, Apart}));
        } else {
            EXPECT_EQ(chat + group, QStringList());
            EXPECT_FALSE(QFile::exists(home.filePath("Palavo_history.db")));
        }
        EXPECT_EQ(after.BoxTexts(), QStringList());
    }
}

TEST(History, ATwoCharacterSearchInsideASentenceOpensItsConversation)
{
    UiSettings settings;
    settings.saveHistory = true;
    ControlHarness h(settings);
    Talk(h, QStringLiteral("明日の定例会議は中止です"));
    ChatWindows::Of(h.Ctrl(), "10.0.0.2")->close();
    h.Choose("MenuHistorySearch");
    HistorySearchForm* search = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<HistorySearchForm*>(window); form && form->isVisible())
            search = form;
    ASSERT_NE(search, nullptr);
    search->txtSearch->setText(QStringLiteral("例会"));
    QTest::mouseClick(search->cmdSearch, Qt::LeftButton);
    ASSERT_EQ(search->lvwResult->topLevelItemCount(), 1);
    QTreeWidgetItem* row = search->lvwResult->topLevelItem(0);
    EXPECT_EQ(row->text(3), QStringLiteral("明日の定例会議は中止です"));
    EXPECT_EQ(row->text(2), QStringLiteral("受信"));
    emit search->lvwResult->itemDoubleClicked(row, 0);
    EXPECT_TRUE(ChatWindows::Of(h.Ctrl(), "10.0.0.2")->isVisible());
}

TEST(History, AStoreThatCannotBeReadShowsOneBoxAndChatGoesOn)
{
    QTemporaryDir home;
    QFile file(home.filePath("Palavo_history.db"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(8192, '\x5a'));
    file.close();
    UiSettings settings;
    settings.saveHistory = true;
    settings.home = home.path();
    ControlHarness h(settings);
    h.Choose("MenuEntry");
    ASSERT_EQ(h.BoxTexts().size(), 1);
    EXPECT_TRUE(h.BoxTexts()[0].startsWith(QStringLiteral("エラー|会話の履歴を読み書きできないため")));
    h.PeerEnters("10.0.0.2", QStringLiteral("花子"), {});
    h.Receive("10.0.0.2", CMD_SEND_MESSAGE, Cp932::FromUnicode(QStringLiteral("こんにちは")));
    EXPECT_EQ(Lines(*ChatWindows::Of(h.Ctrl(), "10.0.0.2")),
              QStringList{QStringLiteral("花子 =>\tこんにちは") + Red});
    EXPECT_FALSE(h.Ctrl().findChild<QAction*>("MenuHistorySearch")->isVisible());
    EXPECT_EQ(h.BoxTexts().size(), 1);
}
