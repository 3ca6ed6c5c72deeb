// Start-up, entry and cancel entry, refresh and automatic entry, through the real
// menu items and buttons of the main control.
#include "ControlHarness.h"

#include "client/ChatInfo.h"
#include "client/UserList.h"
#include "client/groupList.h"
#include "engine/Commands.h"
#include "support/EventWaiter.h"
#include "ui/PalavoCtrl.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{
QStringList Panels(PalavoCtrl& ctrl)
{
    return {ctrl.PanelText(1), ctrl.PanelText(2), ctrl.PanelText(3)};
}
} // namespace

TEST(MainControlEntry, StartsOutOfTheNetworkWithVoiceChatUnavailable)
{
    ControlHarness h;
    PalavoCtrl& ctrl = h.Ctrl();

    EXPECT_EQ(Panels(ctrl), (QStringList{"Palavo", "Palavo XP", "メンバ数"}));
    EXPECT_FALSE(ctrl.EntryState());
    EXPECT_EQ(ctrl.GroupFilter(), "すべて");
    EXPECT_EQ(ctrl.ViewMode(), PalavoCtrl::D_lvwReport);
    EXPECT_FALSE(ctrl.LocalAddress().isEmpty());
    // Nothing on the wire before entry.
    EXPECT_TRUE(h.sent.empty());

    // The call client cannot start in this build: both managers are gone for the run.
    EXPECT_EQ(ctrl.VoiceCallManager(), nullptr);
    EXPECT_EQ(ctrl.MediaCapabilities(), 0);
    EXPECT_FALSE(h.Find<QAction>("MenuTunigWizard")->isEnabled());
    EXPECT_FALSE(h.Find<QAction>("MenuVOIP")->isEnabled());

    // Not entered: entry is the only thing to do.
    EXPECT_TRUE(h.Find<QAction>("MenuEntry")->isEnabled());
    EXPECT_FALSE(h.Find<QAction>("MenuCancelEntry")->isEnabled());
    EXPECT_FALSE(h.Find<QRadioButton>("optExist0")->isEnabled());
    EXPECT_FALSE(h.Find<QPushButton>("cmdLocation")->isEnabled());
}

TEST(MainControlEntry, EntryAndCancelEntryShowTheirStateInTheStatusBar)
{
    ControlHarness h;
    PalavoCtrl& ctrl = h.Ctrl();

    h.Choose("MenuEntry");
    ASSERT_TRUE(ctrl.EntryState());
    // The voice probe failed at start-up, so entry leaves panel 2 alone.
    EXPECT_EQ(ctrl.PanelText(1), "Online");
    EXPECT_EQ(ctrl.PanelText(2), "Palavo XP");
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x1 自分"});
    EXPECT_FALSE(h.Find<QAction>("MenuEntry")->isEnabled());
    EXPECT_TRUE(h.Find<QAction>("MenuCancelEntry")->isEnabled());
    EXPECT_TRUE(h.Find<QAction>("MenuVOIP")->isEnabled()); // it refuses by itself
    EXPECT_TRUE(h.Find<QRadioButton>("optExist0")->isChecked());
    EXPECT_TRUE(h.Find<QRadioButton>("optExist1")->isEnabled());

    h.PeerEnters("10.0.0.2", "太郎", {});
    h.PeerEnters("10.0.0.3", "花子", {});
    ASSERT_EQ(h.Rows().size(), 2);
    h.TakeBroadcasts();

    h.Choose("MenuCancelEntry");
    EXPECT_FALSE(ctrl.EntryState());
    EXPECT_EQ(Panels(ctrl), (QStringList{"Not Connected", "RTC OFF", "メンバ 0名"}));
    EXPECT_TRUE(h.Rows().isEmpty());
    EXPECT_EQ(h.Ctrl().Session().Users().Num(), 0);
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x2 自分"});
    EXPECT_TRUE(h.Find<QAction>("MenuEntry")->isEnabled());
    EXPECT_FALSE(h.Find<QRadioButton>("optExist1")->isEnabled());

    // Entering again works, and panel 2 keeps what cancel entry left.
    h.Choose("MenuEntry");
    EXPECT_EQ(ctrl.PanelText(1), "Online");
    EXPECT_EQ(ctrl.PanelText(2), "RTC OFF");
}

TEST(MainControlEntry, AFailedEntryStaysOutAndMayBeTriedAgain)
{
    ControlHarness h;
    h.SocketOpens = false;
    PalavoCtrl& ctrl = h.Ctrl();

    h.Choose("MenuEntry");
    EXPECT_FALSE(ctrl.EntryState());
    EXPECT_EQ(ctrl.PanelText(1), "Connect Error");
    EXPECT_EQ(ctrl.PanelText(2), "RTC OFF");
    ASSERT_EQ(h.boxes.Shown().size(), 1u);
    EXPECT_EQ(h.boxes.Shown()[0].Caption, "Pala Chat");
    EXPECT_TRUE(h.Find<QAction>("MenuEntry")->isEnabled());
    EXPECT_FALSE(h.Find<QAction>("MenuCancelEntry")->isEnabled());

    h.SocketOpens = true;
    h.Choose("MenuEntry");
    EXPECT_TRUE(ctrl.EntryState());
    EXPECT_EQ(ctrl.PanelText(1), "Online");
}

TEST(MainControlEntry, RefreshForgetsTheMembersAndAnnouncesAgain)
{
    UiSettings settings;
    settings.displayRenew = true;
    ControlHarness h(settings);
    PalavoCtrl& ctrl = h.Ctrl();
    auto* renew = h.Find<QPushButton>("CmdRenew");
    EXPECT_FALSE(renew->isHidden());
    EXPECT_FALSE(renew->isEnabled()); // only while entered

    h.Choose("MenuEntry");
    EXPECT_TRUE(renew->isEnabled());
    h.PeerEnters("10.0.0.2", "太郎", {});
    h.TakeBroadcasts();

    h.Click("CmdRenew");
    EXPECT_TRUE(h.Rows().isEmpty());
    EXPECT_EQ(ctrl.PanelText(3), "メンバ 0名");
    EXPECT_EQ(h.Ctrl().Session().Users().Num(), 0);
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x1 自分"});
    EXPECT_TRUE(ctrl.EntryState());

    // The members answer anew.
    h.PeerEnters("10.0.0.2", "太郎", {});
    EXPECT_EQ(h.Rows().size(), 1);

    h.Choose("MenuCancelEntry");
    EXPECT_FALSE(renew->isEnabled());
    h.TakeBroadcasts();
    ctrl.MenuRenew_Click(); // nothing to refresh while out
    EXPECT_TRUE(h.TakeBroadcasts().isEmpty());

    // The special-settings dialog hides and shows it.
    ctrl.DisplayRenewButton(false);
    EXPECT_TRUE(renew->isHidden());
    ctrl.DisplayRenewButton(true);
    EXPECT_FALSE(renew->isHidden());
}

TEST(MainControlEntry, AutomaticEntryAboutHalfASecondAfterStart)
{
    for (bool autoEntry : {true, false}) {
        UiSettings settings;
        settings.autoEntry = autoEntry;
        ControlHarness h(settings);
        QElapsedTimer clock;
        clock.start();
        PalavoCtrl& ctrl = h.Ctrl();
        EXPECT_FALSE(ctrl.EntryState()) << autoEntry;
        auto* timer = ctrl.Session().findChild<QTimer*>("TimerForInitial");
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->interval(), 500);

        ASSERT_TRUE(WaitUntil([&] { return !timer->isActive(); }, 3000));
        const qint64 elapsed = clock.elapsed();
        EXPECT_GE(elapsed, 450) << autoEntry;
        EXPECT_EQ(ctrl.EntryState(), autoEntry);
        EXPECT_EQ(ctrl.PanelText(1), autoEntry ? "Online" : "Palavo");
        EXPECT_EQ(h.TakeBroadcasts(), autoEntry ? QStringList{"0x1 自分"} : QStringList{});
    }
}
