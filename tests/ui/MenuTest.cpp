// The toolbar menus with their enabling rules, and the commands on the member list:
// the pop-up, the double click, dropped files, the list styles and column sorting.
#include "ControlHarness.h"

#include "client/IMemberCommandDialogs.h"
#include "client/UserInformation.h"
#include "client/UserList.h"
#include "ui/MemberListModel.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace
{

// The items of the menu that a real click on toolbar button `index` drops down:
// "-" before a disabled caption, "*" before a checked one; separators left out.
QStringList DropDown(ControlHarness& h, int index)
{
    auto* button =
        h.Find<QToolButton>(qPrintable(QStringLiteral("ToolbarMenuButton%1").arg(index)));
    EXPECT_NE(button, nullptr);
    QStringList items;
    QTimer::singleShot(0, [&items] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() || !action->isVisible())
                continue;
            const QString mark = !action->isEnabled() ? "-" : action->isChecked() ? "*" : "";
            items << mark + action->text();
        }
        menu->close();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    return items;
}

class RecordingDialogs : public IMemberCommandDialogs
{
public:
    void ShowFileTrans(const QString& destAddress, const QString& file,
                       const QString& aliase) override
    {
        Shown << QStringLiteral("file %1 [%2] %3").arg(destAddress, file, aliase);
    }
    bool ConfirmVoIP(const QString&, bool, bool&) override { return false; }
    QStringList Shown;
};

// Drops `files` at `pos` of the member list's viewport, as the desktop would.
void Drop(ControlHarness& h, QPoint pos, const QStringList& files)
{
    QWidget* viewport = h.Ctrl().ListView()->viewport();
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    data.setUrls(urls);
    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
}

QPoint RowCenter(ControlHarness& h, int row)
{
    MemberListView* list = h.Ctrl().ListView();
    return list->visualRect(list->model()->index(row, 0)).center();
}

// A user's double click: a first click, then the second press that makes it double.
void DoubleClick(QWidget* widget, QPoint at)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
}

QStringList Nicknames(ControlHarness& h)
{
    QStringList names;
    const MemberListModel& rows = *h.Ctrl().Members();
    for (int row = 0; row < rows.Count(); ++row)
        names << rows.RowAt(row).Text;
    return names;
}

} // namespace

TEST(MainControlMenus, ToolbarMenusEnableTheirItemsByTheEntryState)
{
    const struct {
        bool entered;
        QStringList menus[6];
    } cases[] = {
        {false,
         {{},
          {"エントリ", "-エントリ取消し"},
          {"大きいアイコン", "*小さいアイコン", "一覧表示", "詳細表示", "-検索",
           "-最新の情報に更新"},
          {"-メッセージング", "-音声チャット", "-メール送信", "-ファイル転送", "-プロパティ"},
          {"オプション設定", "グループリスト設定", "メモ・居場所リストの設定", "特別な設定",
           "-AVチューニングウィザード"},
          {"ヘルプ(Palavo XP)", "バージョン情報"}}},
        {true,
         {{},
          {"-エントリ", "エントリ取消し"},
          {"大きいアイコン", "*小さいアイコン", "一覧表示", "詳細表示", "検索", "最新の情報に更新"},
          {"メッセージング", "音声チャット", "メール送信", "ファイル転送", "プロパティ"},
          {"-オプション設定", "-グループリスト設定", "メモ・居場所リストの設定", "-特別な設定",
           "-AVチューニングウィザード"},
          {"ヘルプ(Palavo XP)", "バージョン情報"}}},
    };
    for (const auto& c : cases) {
        ControlHarness h;
        if (c.entered)
            h.Choose("MenuEntry");
        ASSERT_EQ(h.Ctrl().EntryState(), c.entered);
        h.Choose("MenuSmallIcon");
        for (int index = 1; index <= 5; ++index)
            EXPECT_EQ(DropDown(h, index), c.menus[index])
                << "entered " << c.entered << " menu " << index;
    }
}

TEST(MainControlMenus, ListStylesShowTheSameRowsAndHeadersSortAscending)
{
    ControlHarness h;
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.3", "bob", {});
    h.PeerEnters("10.0.0.2", "Carol", {});
    h.PeerEnters("10.0.0.4", "alice", {});

    auto* stack = h.Find<QStackedWidget>("ListStack");
    auto* icons = h.Find<QListView>("IconView");
    const struct {
        const char* item;
        PalavoCtrl::DISP_MODE mode;
        bool report;
        QListView::ViewMode iconMode;
    } styles[] = {
        {"MenuBigIcon", PalavoCtrl::D_lvwIcon, false, QListView::IconMode},
        {"MenuSmallIcon", PalavoCtrl::D_lvwSmallIcon, false, QListView::ListMode},
        {"MenuListIcon", PalavoCtrl::D_lvwList, false, QListView::ListMode},
        {"MenuDetailIcon", PalavoCtrl::D_lvwReport, true, QListView::ListMode},
    };
    for (const auto& s : styles) {
        h.Choose(s.item);
        EXPECT_EQ(h.Ctrl().ViewMode(), s.mode) << s.item;
        EXPECT_EQ(stack->currentWidget() == h.Ctrl().ListView(), s.report) << s.item;
        if (!s.report) {
            EXPECT_EQ(icons->viewMode(), s.iconMode) << s.item;
            EXPECT_EQ(icons->model()->rowCount(), 3) << s.item;
        }
        // A member clicked in this style is the one the commands act on.
        auto* view = qobject_cast<QAbstractItemView*>(stack->currentWidget());
        view->doItemsLayout();
        const int row = static_cast<int>(&s - styles) % 3;
        const QModelIndex item = view->model()->index(row, 0);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
        h.boxes.Clear();
        h.Choose("MenuUserProperty");
        const QStringList boxes = h.BoxTexts();
        ASSERT_EQ(boxes.size(), 1) << s.item;
        EXPECT_TRUE(boxes[0].contains("ニックネーム： " + item.data().toString())) << s.item;
    }

    // A header clicked once or twice: ascending both times, and the selection stays on
    // its member.
    QHeaderView* header = h.Ctrl().ListView()->header();
    h.Ctrl().ListView()->setCurrentIndex(h.Ctrl().Members()->index(0, 0)); // bob
    const struct {
        int column;
        QStringList order;
    } sorts[] = {
        {0, {"alice", "bob", "Carol"}},
        {4, {"Carol", "bob", "alice"}},
    };
    for (const auto& s : sorts) {
        for (int click = 1; click <= 2; ++click) {
            const QPoint at(header->sectionViewportPosition(s.column) + 4, header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
            EXPECT_EQ(Nicknames(h), s.order) << "column " << s.column << " click " << click;
            EXPECT_EQ(h.Ctrl().ListView()->SelectedTag(), "10.0.0.3");
        }
    }
}

TEST(MainControlMenus, MemberCommandsFromTheList)
{
    ControlHarness h;
    RecordingDialogs dialogs;
    h.Ctrl().SetMemberCommandDialogs(&dialogs);
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "花子", {});
    h.PeerEnters("10.0.0.3", "太郎", {}, nullptr); // never tells its tool
    MemberListView* list = h.Ctrl().ListView();

    // Three files dropped on 花子: only the last is offered; below the rows, nothing.
    Drop(h, RowCenter(h, 0), {"/tmp/a.txt", "/tmp/b.txt", "/tmp/c.txt"});
    Drop(h, QPoint(10, list->viewport()->height() - 5), {"/tmp/d.txt"});
    EXPECT_EQ(dialogs.Shown, QStringList({"file 10.0.0.2 [/tmp/c.txt] 花子"}));
    Drop(h, RowCenter(h, 1), {"/tmp/e.txt"});
    EXPECT_EQ(h.BoxTexts(), QStringList({"利用不可|相手がPalavo XPのユーザではないので、"
                                         "ファイル転送は利用できません"}));
    h.boxes.Clear();

    // The double click: the chat window, or with "dblClickVoip" the voice-chat path with
    // its refusal (this build has no call client).
    const UserInformation* hanako = h.Ctrl().Session().Users().SearchUserAddr("10.0.0.2");
    ASSERT_NE(hanako, nullptr);
    DoubleClick(list->viewport(), RowCenter(h, 0));
    EXPECT_NE(hanako->ExistingChatForm(), nullptr);
    EXPECT_EQ(h.BoxTexts(), QStringList());
    h.Ctrl().Session().Settings().setDblClickVoip(true);
    DoubleClick(list->viewport(), RowCenter(h, 0));
    EXPECT_EQ(h.BoxTexts(),
              QStringList({"利用不可|音声チャットは利用できません(RTC not available.)"}));
    h.boxes.Clear();

    // A right click on 太郎 pops up the member menu; "プロパティ": four lines, no tool or
    // mail address known.
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, RowCenter(h, 1));
    auto* popup = h.Find<QMenu>("SubMenu");
    ASSERT_TRUE(popup->isVisible());
    h.Choose("RClickMenu6");
    popup->close();
    EXPECT_EQ(h.BoxTexts(), QStringList({"詳細情報|ニックネーム： 太郎\nIPアドレス： 10.0.0.3\n"
                                         "ホスト名： host\nログオン名： user\n"}));
    h.boxes.Clear();

    // Help: the page beside the program.
    h.Choose("MenuHelpHelp");
    EXPECT_EQ(h.shell.Opened,
              QStringList({QCoreApplication::applicationDirPath() + "/index.html"}));
}

namespace
{
// Whether the machine has an IPv4 address besides loopback, asked of the system itself.
bool HasOwnIPv4()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool found = false;
    for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next)
        found |= a->ifa_addr != nullptr && a->ifa_addr->sa_family == AF_INET &&
                 (a->ifa_flags & IFF_LOOPBACK) == 0;
    freeifaddrs(list);
    return found;
}
} // namespace

TEST(MainControlMenus, OwnAddressOnlyBeeps)
{
    if (!HasOwnIPv4())
        GTEST_SKIP() << "this machine has no IPv4 address of its own";
    ControlHarness h;
    h.Choose("MenuEntry");
    const QString self = h.Ctrl().LocalAddress();
    ASSERT_FALSE(self.isEmpty());
    h.PeerEnters(self.toLatin1(), "自分", {});
    ASSERT_GE(h.Ctrl().Members()->FindByTag(self), 0) << "this copy is not listed";
    h.Ctrl().ExecFileTrans(self, "/tmp/a.txt");
    h.Ctrl().ExecVoiceChat(self);
    EXPECT_EQ(h.beeps.Count, 2);
    EXPECT_EQ(h.BoxTexts(), QStringList());
}
