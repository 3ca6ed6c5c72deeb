#pragma once

#include <QString>

class MemberListView;
class QAction;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
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

    // Menu items whose state the control keeps. Entry, cancel entry and refresh are in
    // their menus; the member commands, the settings and the tuning wizard come with
    // the member-command menus and have no menu place yet.
    QAction* MenuEntry = nullptr;
    QAction* MenuCancelEntry = nullptr;
    QAction* MenuRenew = nullptr;
    QAction* MenuMessaging = nullptr;
    QAction* MenuVOIP = nullptr;
    QAction* MenuMail = nullptr;
    QAction* MenuTunigWizard = nullptr;

private:
    QAction* MakeMenuItem(QWidget* owner, const QString& name, const QString& caption);
};
