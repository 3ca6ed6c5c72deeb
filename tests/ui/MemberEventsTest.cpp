// Member events from the network shown in the member list, the group selector and its
// filter, and the columns of the list.
#include "ControlHarness.h"

#include "client/GroupInformation.h"

#include "client/UserList.h"
#include "client/groupList.h"
#include "ui/GroupChatForm.h"
#include "ui/MemberListModel.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"
#include "ui/Twips.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace
{

GroupChatForm* GroupWindow(ControlHarness& h, const QString& group)
{
    GroupInformation* record = h.Ctrl().Session().Groups().SearchGroup(group);
    return record != nullptr ? dynamic_cast<GroupChatForm*>(record->ExistingChatForm()) : nullptr;
}

int ListedMembers(GroupChatForm& form)
{
    return form.findChild<QTreeWidget*>("MemberListView")->topLevelItemCount();
}

} // namespace

TEST(MainControlMembers, TheListHasFiveColumnsSizedFromItsWidthInTwips)
{
    ControlHarness h;
    MemberListView* list = h.Ctrl().ListView();
    const QStringList titles = {"ニックネーム", "メモ/居所", "ログオン名", "ホスト名",
                                "IPアドレス"};
    const QStringList keys = {"aliase", "location", "username", "hostname", "ipaddress"};
    ASSERT_EQ(list->model()->columnCount(), 5);
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(list->model()->headerData(column, Qt::Horizontal).toString(), titles[column]);
        EXPECT_EQ(MemberListModel::ColumnKey(column), keys[column]);
    }

    struct Case {
        int16_t w;
        std::array<double, 5> twips;
    };
    const Case cases[] = {
        {7200, {1720, 1335, 1335, 1335, 1400}},
        {1600, {320, 285, 285, 285, 350}},
        {0, {-80, -15, -15, -15, 50}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MemberListView::ColumnWidthsTwips(c.w), c.twips) << c.w;

    // At start-up the widths follow the list's own width.
    const auto w = static_cast<int16_t>(PixelsToTwips(list, list->width()));
    EXPECT_GT(w, 3000);
    const std::array<double, 5> expected = MemberListView::ColumnWidthsTwips(w);
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(list->header()->sectionSize(column), TwipsToPixels(list, expected[column]))
            << column;
}

TEST(MainControlMembers, RowsShowTheMemberAndFollowPresence)
{
    ControlHarness h;
    h.Choose("MenuEntry");

    h.PeerEnters("10.0.0.2", "太郎", {}, "Palavo XP 1.0.0", QStringLiteral("会議"));
    h.PeerEnters("10.0.0.3", "花子", {});
    EXPECT_EQ(h.Rows(),
              (QStringList{"太郎|会議|user|host|10.0.0.2|2", "花子||user|host|10.0.0.3|1"}));
    EXPECT_EQ(h.Ctrl().PanelText(3), "メンバ 2名");

    h.PeerPresence("10.0.0.2", "太郎", std::nullopt);
    h.PeerPresence("10.0.0.3", "花子", QStringLiteral("昼飯中"));
    EXPECT_EQ(h.Rows(),
              (QStringList{"太郎||user|host|10.0.0.2|1", "花子|昼飯中|user|host|10.0.0.3|2"}));
    EXPECT_FALSE(h.Ctrl().Session().Users().SearchUserAddr("10.0.0.3")->Presence());

    // The icons differ for the two states, in every view size.
    const MemberListModel& model = *h.Ctrl().Members();
    const QIcon present = model.index(0, 0).data(Qt::DecorationRole).value<QIcon>();
    const QIcon absent = model.index(1, 0).data(Qt::DecorationRole).value<QIcon>();
    for (int size : {16, 32})
        EXPECT_NE(present.pixmap(size).toImage(), absent.pixmap(size).toImage()) << size;

    // A second announcement changes nothing; the first data stay.
    h.PeerEnters("10.0.0.3", "別名", {});
    EXPECT_EQ(h.Rows().size(), 2);
    EXPECT_EQ(h.Ctrl().Session().Users().SearchUserAddr("10.0.0.3")->aliase(), "花子");

    // Rows after a removed one are still found by their address.
    h.PeerEnters("10.0.0.4", "次郎", {});
    h.PeerExits("10.0.0.2", "太郎");
    h.PeerPresence("10.0.0.4", "次郎", QStringLiteral("外出"));
    EXPECT_EQ(h.Rows(),
              (QStringList{"花子|昼飯中|user|host|10.0.0.3|2", "次郎|外出|user|host|10.0.0.4|2"}));
    h.PeerExits("10.0.0.4", "次郎");
    EXPECT_EQ(h.Rows(), QStringList{"花子|昼飯中|user|host|10.0.0.3|2"});
    EXPECT_EQ(h.Ctrl().PanelText(3), "メンバ 1名");
    // Events for a member nobody listed are ignored.
    h.Ctrl().Session().OnChangeMember("10.9.9.9", false, "x");
    h.Ctrl().Session().OnDeleteMember("10.9.9.9");
    EXPECT_EQ(h.Rows().size(), 1);
}

TEST(MainControlMembers, TheGroupFilterShowsOnlyItsMembers)
{
    UiSettings settings;
    settings.grouplist = "Dev,Ops";
    ControlHarness h(settings);
    PalavoCtrl& ctrl = h.Ctrl();
    h.Choose("MenuEntry");
    EXPECT_EQ(h.ComboItems("cmbGroup"), (QStringList{"すべて", "Dev", "Ops"}));
    EXPECT_FALSE(h.Find<QPushButton>("cmdGroupCast")->isEnabled());

    h.PeerEnters("10.0.0.2", "太郎", {"Dev"});
    h.PeerEnters("10.0.0.3", "花子", {"Ops", "Dev"});
    h.PeerEnters("10.0.0.4", "次郎", {});
    EXPECT_EQ(h.Rows().size(), 3);

    h.ChooseGroup(2); // Ops
    EXPECT_EQ(ctrl.GroupFilter(), "Ops");
    EXPECT_TRUE(h.Find<QPushButton>("cmdGroupCast")->isEnabled());
    EXPECT_EQ(h.Rows(), QStringList{"花子||user|host|10.0.0.3|1"});
    EXPECT_EQ(ctrl.PanelText(3), "メンバ 1名");

    // Members outside the filter are kept without a row; the count shows rows only.
    h.PeerEnters("10.0.0.5", "三郎", {"Dev"});
    h.PeerEnters("10.0.0.6", "四郎", {"Ops"});
    EXPECT_EQ(h.Ctrl().Session().Users().Num(), 5);
    EXPECT_EQ(h.Rows().size(), 2);
    EXPECT_EQ(ctrl.PanelText(3), "メンバ 2名");

    // Presence of a hidden member is recorded; its exit leaves the group windows too.
    h.PeerPresence("10.0.0.5", "三郎", QStringLiteral("会議"));
    EXPECT_EQ(h.Ctrl().Session().Users().SearchUserAddr("10.0.0.5")->Location(), "会議");
    h.ChooseGroup(1); // Dev
    h.Click("cmdGroupCast");
    GroupChatForm* dev = GroupWindow(h, "Dev");
    ASSERT_NE(dev, nullptr);
    EXPECT_TRUE(dev->isVisible());
    EXPECT_EQ(ListedMembers(*dev), 3);
    h.ChooseGroup(2); // Ops: 三郎 is hidden now
    h.PeerExits("10.0.0.5", "三郎");
    EXPECT_EQ(h.Ctrl().Session().Users().Num(), 4);
    EXPECT_EQ(ListedMembers(*dev), 2);

    h.ChooseGroup(0);
    EXPECT_EQ(ctrl.GroupFilter(), "すべて");
    EXPECT_FALSE(h.Find<QPushButton>("cmdGroupCast")->isEnabled());
    EXPECT_EQ(h.Rows().size(), 4);
    EXPECT_EQ(ctrl.PanelText(3), "メンバ 4名");
}

TEST(MainControlMembers, TheSelectorOffersTheUsersGroups)
{
    struct Case {
        const char* groups;
        bool hostlist;
        QStringList offered;
    };
    const Case cases[] = {
        {"Dev,Ops,QA", false, {"すべて", "Dev", "Ops", "QA"}},
        {"Dev,Ops,QA", true, {"すべて", "Dev"}}, // the host list knows one group only
        {"A", false, {"すべて", "A"}},           // a one-letter group counts too
        {"", false, {"すべて"}},
        {"Dev,Dev", false, {"すべて", "Dev"}},
    };
    for (const Case& c : cases) {
        UiSettings settings;
        settings.grouplist = c.groups;
        settings.hostlist = c.hostlist;
        ControlHarness h(settings);
        h.Choose("MenuEntry");
        EXPECT_EQ(h.ComboItems("cmbGroup"), c.offered) << c.groups << c.hostlist;
        EXPECT_EQ(h.Ctrl().Session().Groups().Num(), c.offered.size() - 1)
            << c.groups << c.hostlist;
    }
}
