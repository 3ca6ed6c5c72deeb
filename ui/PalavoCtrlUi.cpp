#include "PalavoCtrlUi.h"

#include "ui/MemberListView.h"
#include "ui/Twips.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

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
    MenuEntry = MakeMenuItem(owner, QStringLiteral("MenuEntry"), QStringLiteral("エントリ"));
    MenuCancelEntry =
        MakeMenuItem(owner, QStringLiteral("MenuCancelEntry"), QStringLiteral("エントリ取消し"));
    MenuRenew =
        MakeMenuItem(owner, QStringLiteral("MenuRenew"), QStringLiteral("最新の情報に更新"));
    MenuMessaging =
        MakeMenuItem(owner, QStringLiteral("MenuMessaging"), QStringLiteral("メッセージング"));
    MenuVOIP = MakeMenuItem(owner, QStringLiteral("MenuVOIP"), QStringLiteral("音声チャット"));
    MenuMail = MakeMenuItem(owner, QStringLiteral("MenuMail"), QStringLiteral("メール送信"));
    MenuTunigWizard = MakeMenuItem(owner, QStringLiteral("MenuTunigWizard"),
                                   QStringLiteral("AVチューニングウィザード"));
    Menus[1]->addAction(MenuEntry);
    Menus[1]->addAction(MenuCancelEntry);
    Menus[2]->addAction(MenuRenew);

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
    body->addWidget(ListView, 1);
    layout->addLayout(body, 1);
    layout->addWidget(StatusBar);

    // Lay the controls out at the design size now: the list's columns are sized from
    // its width at start-up.
    owner->resize(TwipsToPixels(owner, DesignWidthTwips), TwipsToPixels(owner, DesignHeightTwips));
    layout->activate();
    ListView->SizeColumnsToWidth();
}
