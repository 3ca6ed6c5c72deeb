#pragma once

#include <QString>

class MemberListView;
class QAction;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QStatusBar;
class QToolBar;
class QWidget;

// The child controls of the main control, named as in its window, built and laid out
// in one place (the way a designer's form class would be): the toolbar of five menu
// buttons, the group selector row, the frame "私のいどころ" with the presence selector
// and the memo box, the member list, and the status bar with three panels. The
// control's behaviour stays in PalavoCtrl; the widgets are owned by `owner`.
struct PalavoCtrlUi {
    // The size the control was designed with, in twips.
    static constexpr int DesignWidthTwips = 7455;
    static constexpr int DesignHeightTwips = 5535;

    void Setup(QWidget* owner);

    QToolBar* ToolbarMenu = nullptr;
    // The five menus of the toolbar buttons, by button index 1..5 (0 unused).
    QMenu* Menus[6] = {};
    QLabel* Label1 = nullptr;
    QComboBox* cmbGroup = nullptr;
    QPushButton* cmdGroupCast = nullptr;
    QPushButton* CmdRenew = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* optExist[2] = {nullptr, nullptr};
    QButtonGroup* optExistGroup = nullptr;
    QLineEdit* txtLocation = nullptr;
    QPushButton* cmdLocation = nullptr;
    MemberListView* ListView = nullptr;
    QStatusBar* StatusBar = nullptr;
    // Panels 1..3 (0 unused).
    QLabel* Panels[4] = {};

    // The pop-up menu over the member list.
    QMenu* SubMenu = nullptr;
    // The member list in the icon and list styles: the same rows and selection as
    // ListView, which shows the detail style. ListStack shows one of the two.
    QStackedWidget* ListStack = nullptr;
    QListView* IconView = nullptr;

    // The menu items, by their names in the window.
    // "ファイル"
    QAction* MenuEntry = nullptr;
    QAction* MenuCancelEntry = nullptr;
    // "表示": the four styles (checkable, by DISP_MODE 0..3), search, refresh.
    QAction* MenuBigIcon = nullptr;
    QAction* MenuSmallIcon = nullptr;
    QAction* MenuListIcon = nullptr;
    QAction* MenuDetailIcon = nullptr;
    QAction* MenuQuery = nullptr;
    // The history's items, there only while conversations are kept: the search, and the
    // submenu "履歴を削除" with its two items.
    QAction* MenuHistorySearch = nullptr;
    QAction* MenuHistoryDelete = nullptr;
    QAction* MenuHistoryDeleteMember = nullptr;
    QAction* MenuHistoryDeleteAll = nullptr;
    QAction* MenuRenew = nullptr;
    // "操作"
    QAction* MenuMessaging = nullptr;
    QAction* MenuVOIP = nullptr;
    QAction* MenuMail = nullptr;
    QAction* MenuFileTrans = nullptr;
    QAction* MenuUserProperty = nullptr;
    // "設定"
    QAction* MenuOption = nullptr;
    QAction* MenuGroupList = nullptr;
    QAction* MenuLocationList = nullptr;
    QAction* MenuSpecialOption = nullptr;
    QAction* MenuTunigWizard = nullptr;
    // "ヘルプ"
    QAction* MenuHelpHelp = nullptr;
    QAction* MenuHelpVersion = nullptr;
    // The pop-up's items 1..6 (0 unused; 5 is the separator).
    QAction* RClickMenu[7] = {};

private:
    QAction* MakeMenuItem(QWidget* owner, const QString& name, const QString& caption);
    void SetupMenus(QWidget* owner);
    void SetupIconView(QWidget* owner);
};
