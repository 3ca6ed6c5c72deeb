#include "PalavoCtrlUi.h"

#include "ui/MemberIcons.h"
#include "ui/MemberListModel.h"
#include "ui/MemberListView.h"
#include "ui/Twips.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <vector>

namespace
{

template <typename Widget> Widget* Named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

QAction* PalavoCtrlUi::MakeMenuItem(QWidget* owner, const QString& name, const QString& caption)
{
    auto* action = new QAction(caption, owner);
    action->setObjectName(name);
    return action;
}

void PalavoCtrlUi::Setup(QWidget* owner)
{
    // The toolbar: five buttons, each dropping down the menu of its name.
    ToolbarMenu = Named(new QToolBar(owner), "ToolbarMenu");
    ToolbarMenu->setMovable(false);
    ToolbarMenu->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const char* const menuNames[] = {"", "Trans", "Display", "Operate", "Setting", "Help"};
    const QString captions[] = {QString(),
                                QStringLiteral("ファイル"),
                                QStringLiteral("表示"),
                                QStringLiteral("操作"),
                                QStringLiteral("設定"),
                                QStringLiteral("ヘルプ")};
    for (int index = 1; index <= 5; ++index) {
        Menus[index] = Named(new QMenu(captions[index], owner), menuNames[index]);
        auto* button = new QToolButton(ToolbarMenu);
        button->setObjectName(QStringLiteral("ToolbarMenuButton%1").arg(index));
        button->setText(captions[index]);
        button->setMenu(Menus[index]);
        button->setPopupMode(QToolButton::InstantPopup);
        ToolbarMenu->addWidget(button);
    }
    SetupMenus(owner);

    // The group selector row.
    Label1 = Named(new QLabel(QStringLiteral("グループ"), owner), "Label1");
    cmbGroup = Named(new QComboBox(owner), "cmbGroup");
    cmbGroup->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbGroup->setMinimumContentsLength(10);
    Label1->setBuddy(cmbGroup);
    cmdGroupCast =
        Named(new QPushButton(QStringLiteral("グループチャット"), owner), "cmdGroupCast");
    CmdRenew = Named(new QPushButton(QStringLiteral("最新"), owner), "CmdRenew");
    CmdRenew->setEnabled(false); // until entry
    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(Label1);
    groupRow->addWidget(cmbGroup, 1);
    groupRow->addWidget(cmdGroupCast);
    groupRow->addWidget(CmdRenew);

    // "私のいどころ": present or absent, and the memo/whereabouts shown while absent.
    Frame1 = Named(new QGroupBox(QStringLiteral("私のいどころ"), owner), "Frame1");
    optExist[0] = Named(new QRadioButton(QStringLiteral("オン"), Frame1), "optExist0");
    optExist[1] = Named(new QRadioButton(QStringLiteral("オフ"), Frame1), "optExist1");
    optExistGroup = new QButtonGroup(Frame1);
    optExistGroup->addButton(optExist[0], 0);
    optExistGroup->addButton(optExist[1], 1);
    txtLocation = Named(new QLineEdit(Frame1), "txtLocation");
    txtLocation->setReadOnly(true);
    cmdLocation = Named(new QPushButton(QStringLiteral("・・・"), Frame1), "cmdLocation");
    cmdLocation->setMaximumWidth(
        cmdLocation->fontMetrics().horizontalAdvance(QStringLiteral("・・・")) + 16);
    auto* frameRow = new QHBoxLayout(Frame1);
    frameRow->setContentsMargins(6, 2, 6, 4);
    frameRow->addWidget(optExist[0]);
    frameRow->addWidget(optExist[1]);
    frameRow->addWidget(txtLocation, 1);
    frameRow->addWidget(cmdLocation);

    ListView = Named(new MemberListView(owner), "ListView");
    SetupIconView(owner);

    StatusBar = Named(new QStatusBar(owner), "StatusBar");
    StatusBar->setSizeGripEnabled(false);
    const QString initial[] = {QString(), QStringLiteral("Palavo"), QStringLiteral("Palavo XP"),
                               QStringLiteral("メンバ数")};
    for (int panel = 1; panel <= 3; ++panel) {
        Panels[panel] = new QLabel(initial[panel], StatusBar);
        Panels[panel]->setObjectName(QStringLiteral("Panel%1").arg(panel));
        Panels[panel]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusBar->addWidget(Panels[panel], 1);
    }

    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(ToolbarMenu);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(4, 0, 4, 0);
    body->setSpacing(2);
    body->addLayout(groupRow);
    body->addWidget(Frame1);
    body->addWidget(ListStack, 1);
    layout->addLayout(body, 1);
    layout->addWidget(StatusBar);

    // Lay the controls out at the design size now: the list's columns are sized from
    // its width at start-up.
    owner->resize(TwipsToPixels(owner, DesignWidthTwips), TwipsToPixels(owner, DesignHeightTwips));
    layout->activate();
    ListStack->layout()->activate(); // the list takes the stack's size now, not when shown
    ListView->SizeColumnsToWidth();
}

void PalavoCtrlUi::SetupMenus(QWidget* owner)
{
    struct Item {
        const char* Name;
        const char* Caption; // UTF-8; "-" is a separator
        QAction** Action;
    };
    const std::vector<Item> items[6] = {
        {},
        {{"MenuEntry", "エントリ", &MenuEntry},
         {"MenuCancelEntry", "エントリ取消し", &MenuCancelEntry}},
        {{"MenuBigIcon", "大きいアイコン", &MenuBigIcon},
         {"MenuSmallIcon", "小さいアイコン", &MenuSmallIcon},
         {"MenuListIcon", "一覧表示", &MenuListIcon},
         {"MenuDetailIcon", "詳細表示", &MenuDetailIcon},
         {"Sept5", "-", nullptr},
         {"MenuQuery", "検索", &MenuQuery},
         {"Sept2", "-", nullptr},
         {"MenuRenew", "最新の情報に更新", &MenuRenew}},
        {{"MenuMessaging", "メッセージング", &MenuMessaging},
         {"MenuVOIP", "音声チャット", &MenuVOIP},
         {"MenuMail", "メール送信", &MenuMail},
         {"MenuFileTrans", "ファイル転送", &MenuFileTrans},
         {"Sept3", "-", nullptr},
         {"MenuUserProperty", "プロパティ", &MenuUserProperty}},
        {{"MenuOption", "オプション設定", &MenuOption},
         {"MenuGroupList", "グループリスト設定", &MenuGroupList},
         {"MenuLocationList", "メモ・居場所リストの設定", &MenuLocationList},
         {"MenuSpecialOption", "特別な設定", &MenuSpecialOption},
         {"Sept4", "-", nullptr},
         {"MenuTunigWizard", "AVチューニングウィザード", &MenuTunigWizard}},
        {{"MenuHelpHelp", "ヘルプ(Palavo XP)", &MenuHelpHelp},
         {"MenuHelpVersion", "バージョン情報", &MenuHelpVersion}},
    };
    for (int index = 1; index <= 5; ++index) {
        for (const Item& item : items[index]) {
            const QString name = QString::fromLatin1(item.Name);
            if (item.Action == nullptr) {
                Menus[index]->addSeparator()->setObjectName(name);
                continue;
            }
            *item.Action = MakeMenuItem(owner, name, QString::fromUtf8(item.Caption));
            Menus[index]->addAction(*item.Action);
        }
    }
    MenuHistorySearch = MakeMenuItem(owner, QStringLiteral("MenuHistorySearch"),
                                     QStringLiteral("履歴の検索"));
    auto* removal = Named(new QMenu(QStringLiteral("履歴を削除"), owner), "MenuHistoryDelete");
    MenuHistoryDelete = removal->menuAction();
    MenuHistoryDeleteMember = MakeMenuItem(owner, QStringLiteral("MenuHistoryDeleteMember"),
                                           QStringLiteral("選択した相手の履歴"));
    MenuHistoryDeleteAll = MakeMenuItem(owner, QStringLiteral("MenuHistoryDeleteAll"),
                                        QStringLiteral("すべての履歴"));
    removal->addActions({MenuHistoryDeleteMember, MenuHistoryDeleteAll});
    const QAction* afterQuery = Menus[2]->actions().at(Menus[2]->actions().indexOf(MenuQuery) + 1);
    Menus[2]->insertAction(const_cast<QAction*>(afterQuery), MenuHistorySearch);
    Menus[2]->insertMenu(const_cast<QAction*>(afterQuery), removal);

    // One style at a time carries the check mark.
    auto* styles = new QActionGroup(owner);
    for (QAction* style : {MenuBigIcon, MenuSmallIcon, MenuListIcon, MenuDetailIcon}) {
        style->setCheckable(true);
        styles->addAction(style);
    }
    MenuDetailIcon->setChecked(true);

    SubMenu = Named(new QMenu(owner), "SubMenu");
    const char* const popup[] = {
        "", "メッセージング", "音声チャット", "メール送信", "ファイル転送", "-", "プロパティ"};
    for (int index = 1; index <= 6; ++index) {
        const QString name = QStringLiteral("RClickMenu%1").arg(index);
        if (index == 5) {
            RClickMenu[index] = SubMenu->addSeparator();
            RClickMenu[index]->setObjectName(name);
            continue;
        }
        RClickMenu[index] = MakeMenuItem(owner, name, QString::fromUtf8(popup[index]));
        SubMenu->addAction(RClickMenu[index]);
    }
}

void PalavoCtrlUi::SetupIconView(QWidget* owner)
{
    IconView = Named(new QListView(owner), "IconView");
    IconView->setModel(ListView->Members());
    IconView->setSelectionModel(ListView->selectionModel());
    IconView->setSelectionMode(QAbstractItemView::SingleSelection);
    IconView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    IconView->setResizeMode(QListView::Adjust);
    // Names differ in length: each item is as wide as its own name (within the grid of
    // the large icons), so none is cut to the width of the first.
    IconView->setUniformItemSizes(false);
    IconView->setWordWrap(true);
    IconView->setTextElideMode(Qt::ElideRight);
    IconView->setWrapping(true);
    IconView->setAcceptDrops(true);
    IconView->setDragEnabled(false);

    ListStack = Named(new QStackedWidget(owner), "ListStack");
    ListStack->addWidget(ListView);
    ListStack->addWidget(IconView);
    ListStack->setCurrentWidget(ListView);
}
