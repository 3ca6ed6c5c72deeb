// Two PalavoXP windows in this process (hosts 1 and 2) and a palavo-cli copy (host 3):
// what is typed into a chat window reaches the other copy's window over the real
// network, in the colours of each side, and group lines reach the group's members only.
#include "ChatWindows.h"
#include "XpLanTest.h"

#include "client/ControlForm.h"
#include "client/UserList.h"
#include "client/groupList.h"
#include "component/PalavoIF.h"
#include "host/MainForm.h"
#include "support/EventWaiter.h"
#include "ui/ChatForm.h"
#include "ui/GroupChatForm.h"
#include "ui/PalavoCtrl.h"

#include <gtest/gtest.h>

namespace
{

using XpChat = XpLanTest;
using namespace ChatWindows;

const QString Blue = QStringLiteral("|#0000ff");
const QString Red = QStringLiteral("|#ff0000");

// Waits until `window` shows `lines`; on timeout, what it showed last.
template <typename Window>
testing::AssertionResult Shows(const std::function<Window*()>& window, const QStringList& lines)
{
    if (WaitUntil([&] { return window() != nullptr && Lines(*window()) == lines; }, 8000))
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "the window shows "
           << (window() != nullptr ? testing::PrintToString(Lines(*window())) : "nothing")
           << "\ninstead of " << testing::PrintToString(lines);
}

bool KnowsAsProduct(PalavoCtrl& ctrl, const QString& address)
{
    const UserInformation* record = ctrl.Session().Users().SearchUserAddr(address);
    return record != nullptr && record->IsProductUser();
}

TEST_F(XpChat, LinesTravelBetweenWindowsAndGroupLinesOnlyToTheGroup)
{
    ASSERT_NE(OpenWindow(), nullptr); // パラボ太郎 in 開発部 and 営業部
    PalavoCtrl* other = OpenOtherWindow(2, QStringLiteral("パラボ花子"), QStringLiteral("開発部"));
    ASSERT_NE(other, nullptr);
    CliPeer& cli = EnteredPeer(3);
    const QString self = Lan().Address(1);
    const QString otherAddress = Lan().Address(2);
    const QString cliAliase = SettingsFor(3).Aliase;
    ASSERT_TRUE(WaitUntil(
        [&] {
            return KnowsAsProduct(Ctrl(), otherAddress) && KnowsAsProduct(Ctrl(), cli.Address()) &&
                   KnowsAsProduct(*other, self);
        },
        10000))
        << "the copies do not know each other";

    // A Japanese line from the palavo-cli copy opens a window for it.
    const QString greeting = QStringLiteral("こんにちは、さくらです。");
    ASSERT_TRUE(cli.Call("SendPrivateMessage", Args({self, 1, greeting}))["ok"].toBool());
    const std::function<ChatForm*()> cliWindow = [&] { return Of(Ctrl(), cli.Address()); };
    EXPECT_TRUE(Shows(cliWindow, {cliAliase + " =>\t" + greeting + Red}));
    ASSERT_NE(cliWindow(), nullptr);
    EXPECT_TRUE(cliWindow()->isVisible());
    EXPECT_EQ(cliWindow()->windowTitle(),
              QStringLiteral("Chat For ") + cliAliase + "(" + cli.Address() + ")");

    // Typed in one window: blue there, red in the other copy's window.
    Ctrl().Session().Users().SearchUserAddr(otherAddress)->ShowChatForm();
    ChatForm* toOther = Of(Ctrl(), otherAddress);
    ASSERT_NE(toOther, nullptr);
    const QString line = QStringLiteral("花子さん、資料を送りました");
    Type(*toOther, line);
    EXPECT_EQ(Lines(*toOther), QStringList{"パラボ花子 <=\t" + line + Blue});
    EXPECT_TRUE(
        Shows<ChatForm>([&] { return Of(*other, self); }, {"パラボ太郎 =>\t" + line + Red}));

    // To an absent copy: its absence reply comes into the window.
    ASSERT_TRUE(
        cli.Call("UpdatePresense", Args({0, "会議中", "ただいま会議中です"}))["ok"].toBool());
    // The receipt of the line above lets the next one go.
    const auto* component = dynamic_cast<PalavoIF*>(Ctrl().Session().Bridge()->Component());
    ASSERT_NE(component, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !component->Engine().SendBusy(); }));
    const QString urgent = QStringLiteral("至急ご連絡ください");
    Type(*cliWindow(), urgent);
    // The reply comes back as the copy's own message.
    EXPECT_TRUE(
        Shows(cliWindow, {cliAliase + " =>\t" + greeting + Red, cliAliase + " <=\t" + urgent + Blue,
                          cliAliase + " =>\tただいま会議中です" + Red}));

    // Group lines: 開発部 reaches the other window's group window; 営業部, which the other
    // copy is not in, reaches no window of it. The later 開発部 line shows the earlier one
    // had its chance.
    Ctrl().Session().Groups().SearchGroup("開発部")->ShowChatForm();
    Ctrl().Session().Groups().SearchGroup("営業部")->ShowChatForm();
    GroupChatForm* dev = OfGroup(Ctrl(), "開発部");
    GroupChatForm* sales = OfGroup(Ctrl(), "営業部");
    ASSERT_NE(dev, nullptr);
    ASSERT_NE(sales, nullptr);
    Type(*dev, "定例は３時からです");
    Type(*sales, "営業部だけへ");
    Type(*dev, "二通目");
    EXPECT_TRUE(Shows<GroupChatForm>(
        [&] { return OfGroup(*other, "開発部"); },
        {"パラボ太郎 =>\t定例は３時からです" + Red, "パラボ太郎 =>\t二通目" + Red}));
    EXPECT_EQ(other->Session().Groups().SearchGroup("営業部"), nullptr);
    EXPECT_EQ(Lines(*Of(*other, self)), QStringList{"パラボ太郎 =>\t" + line + Red});
    // Our own casts come back to us from the network and are not shown twice.
    EXPECT_EQ(Lines(*dev), (QStringList{"パラボ太郎 =>\t定例は３時からです" + Blue,
                                        "パラボ太郎 =>\t二通目" + Blue}));
    EXPECT_EQ(Lines(*sales), QStringList{"パラボ太郎 =>\t営業部だけへ" + Blue});
}

} // namespace
