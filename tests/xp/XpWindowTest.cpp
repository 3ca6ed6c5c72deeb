// PalavoXP's window with automatic entry on host 1 of the virtual LAN and two palavo-cli
// copies on hosts 2 and 3: the member list, its icons and memo, and the member count
// follow what the copies do on the real network.
#include "XpLanTest.h"

#include "client/UserList.h"
#include "host/MainForm.h"
#include "support/EventWaiter.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"

#include <gtest/gtest.h>

namespace
{

using XpWindowOnLan = XpLanTest;

TEST_F(XpWindowOnLan, MembersComeGoAwayAndLeaveAsTheNetworkSays)
{
    ASSERT_NE(OpenWindow(), nullptr);
    const QString self = Lan().Address(1);
    EXPECT_EQ(Ctrl().PanelText(1), QStringLiteral("Online"));
    // The control started inside host 1, so that is the address it knows itself by.
    EXPECT_EQ(Ctrl().LocalAddress(), self);

    const QAbstractItemModel& list = *Ctrl().ListView()->model();
    const QStringList titles = {"ニックネーム", "メモ/居所", "ログオン名", "ホスト名",
                                "IPアドレス"};
    ASSERT_EQ(list.columnCount(), titles.size());
    for (int column = 0; column < titles.size(); ++column)
        EXPECT_EQ(list.headerData(column, Qt::Horizontal).toString(), titles[column]);

    // Its own entry broadcast comes back to it like anybody's, so it lists itself.
    const QString ownRow = ExpectedRow(OwnAliase(), "", self, true);
    EXPECT_TRUE(ShowsRows({ownRow}));
    EXPECT_EQ(Ctrl().PanelText(3), QStringLiteral("メンバ 1名"));

    // One copy after the other, so the rows come in a known order.
    CliPeer& second = EnteredPeer(2);
    const QString secondRow = ExpectedRow(SettingsFor(2).Aliase, "", second.Address(), true);
    EXPECT_TRUE(ShowsRows({ownRow, secondRow}));
    CliPeer& third = EnteredPeer(3);
    const QString thirdRow = ExpectedRow(SettingsFor(3).Aliase, "", third.Address(), true);
    EXPECT_TRUE(ShowsRows({ownRow, secondRow, thirdRow}));
    EXPECT_EQ(Ctrl().PanelText(3), QStringLiteral("メンバ 3名"));

    // The copies know the window as a copy of this system, with its mail address.
    for (CliPeer* peer : {&second, &third}) {
        EXPECT_TRUE(WaitUntil(
            [&] { return peer->Call("GetMailInfo", Args({self}))["result"] == "xp@example.jp"; },
            5000))
            << peer->Diagnostics().toStdString();
        EXPECT_TRUE(
            peer->Call("GetAppInfo", Args({self}))["result"].toString().startsWith("Palavo XP "));
    }

    // Away, with a memo: the absent icon and the memo, and nobody else changes.
    ASSERT_TRUE(
        second.Call("UpdatePresense", Args({0, "会議中", "ただいま不在です"}))["ok"].toBool());
    const QString secondAway =
        ExpectedRow(SettingsFor(2).Aliase, "会議中", second.Address(), false);
    EXPECT_TRUE(ShowsRows({ownRow, secondAway, thirdRow}));
    EXPECT_EQ(Ctrl().PanelText(3), QStringLiteral("メンバ 3名"));

    // Back again: present, the memo gone.
    ASSERT_TRUE(second.Call("UpdatePresense", Args({1, "", ""}))["ok"].toBool());
    EXPECT_TRUE(ShowsRows({ownRow, secondRow, thirdRow}));

    // The third copy ends: its exit broadcast removes its row and its record.
    third.CloseInput();
    EXPECT_EQ(third.WaitForExit(), 0);
    EXPECT_TRUE(ShowsRows({ownRow, secondRow}));
    EXPECT_EQ(Ctrl().PanelText(3), QStringLiteral("メンバ 2名"));
    EXPECT_EQ(Ctrl().Session().Users().SearchUserAddr(third.Address()), nullptr);
    EXPECT_NE(Ctrl().Session().Users().SearchUserAddr(second.Address()), nullptr);

    // Closing the window, once confirmed, takes the window off the network.
    m_boxes.QueueAnswer(MessageBoxAnswer::Yes);
    const size_t from = second.Lines().size();
    EXPECT_TRUE(Window().close());
    EXPECT_GE(second.WaitForEvent(
                  "MemberDeleted", [&](const QJsonArray& args) { return args == Args({self}); },
                  5000, from),
              0)
        << second.Diagnostics().toStdString();
    // The question before closing was the only box of the whole run.
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].Text, QStringLiteral("Palavo XPを終了しますか？"));
}

} // namespace
