// The file-send dialog and the search window on a real X display (Xvfb), saved as PNGs
// among the build's artifacts; every caption and button must show whole.
#include "XpScreenshot.h"

#include "client/UserInformation.h"
#include "client/UserList.h"
#include "host/MainForm.h"
#include "support/EventWaiter.h"
#include "ui/FileTransForm.h"
#include "ui/PalavoCtrl.h"
#include "ui/QueryForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <iostream>

namespace
{

using XpDialogScreenshot = XpScreenshot;

// Every label and button of `window` at least as wide and tall as its text needs, and
// inside the window: nothing cut off.
void ExpectNothingCut(QWidget& window)
{
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (!child->isVisible() || (qobject_cast<QLabel*>(child) == nullptr &&
                                    qobject_cast<QAbstractButton*>(child) == nullptr))
            continue;
        const QString name = child->objectName().isEmpty() ? child->property("text").toString()
                                                           : child->objectName();
        EXPECT_GE(child->width(), child->sizeHint().width()) << name.toStdString();
        EXPECT_GE(child->height(), child->minimumSizeHint().height()) << name.toStdString();
        const QRect inWindow(child->mapTo(&window, QPoint(0, 0)), child->size());
        EXPECT_TRUE(window.rect().contains(inWindow)) << name.toStdString();
    }
}

// The window painted on the display and saved; the path, or empty on failure.
QString ShootAndSave(QWidget& window, const QString& name)
{
    window.raise();
    window.activateWindow();
    QTest::qWait(300);
    window.repaint();
    QTest::qWait(200);
    return SaveArtifact(OnScreen(window), name);
}

TEST_F(XpDialogScreenshot, FileTransferDialog)
{
    ASSERT_NE(OpenWindow(), nullptr);
    CliPeer& cli = EnteredPeer(2);
    ASSERT_TRUE(WaitUntil(
        [&] { return Ctrl().Session().Users().SearchUserAddr(cli.Address()) != nullptr; }, 10000));
    QString path;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<FileTransForm*>(QApplication::activeModalWidget());
        if (form != nullptr) {
            form->txtComment->setPlainText(QStringLiteral("第３四半期の売上報告書です。\n"
                                                          "ご確認ください。"));
            ExpectNothingCut(*form);
            path = ShootAndSave(*form, QStringLiteral("palavo-xp-filetrans.png"));
        }
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    Ctrl().ExecFileTrans(cli.Address(), QDir::homePath() + QStringLiteral("/売上報告書.xlsx"));
    ASSERT_FALSE(path.isEmpty()) << "no picture of the dialog";
    RecordProperty("filetrans_screenshot", path.toStdString());
}

TEST_F(XpDialogScreenshot, SearchWindowWithHits)
{
    ASSERT_NE(OpenWindow(), nullptr);
    CliPeer& second = EnteredPeer(2);
    CliPeer& third = EnteredPeer(3);
    ASSERT_TRUE(second.Call("UpdatePresense", Args({0, "会議中", ""}))["ok"].toBool());
    ASSERT_TRUE(WaitUntil(
        [&] {
            const UserInformation* member =
                Ctrl().Session().Users().SearchUserAddr(second.Address());
            return member != nullptr && !member->Presence() &&
                   Ctrl().Session().Users().SearchUserAddr(third.Address()) != nullptr;
        },
        10000));

    Window().findChild<QAction*>("MenuQuery")->trigger();
    QueryForm* form = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* query = qobject_cast<QueryForm*>(window); query != nullptr && query->isVisible())
            form = query;
    ASSERT_NE(form, nullptr);
    // A key every nickname of the LAN has none of shows no hits; this one finds 花子.
    form->txtQueryKey->setText(QStringLiteral("花"));
    QTest::mouseClick(form->CmdQuery, Qt::LeftButton);
    ASSERT_EQ(form->ListQueryView->topLevelItemCount(), 1);
    ExpectNothingCut(*form);
    // The three headers fit their columns.
    const QHeaderView* header = form->ListQueryView->header();
    for (int column = 0; column < 3; ++column)
        EXPECT_GT(header->sectionSize(column), header->fontMetrics().horizontalAdvance(
                                                   form->ListQueryView->headerItem()->text(column)))
            << column;
    const QString path = ShootAndSave(*form, QStringLiteral("palavo-xp-query.png"));
    ASSERT_FALSE(path.isEmpty());
    RecordProperty("query_screenshot", path.toStdString());
    form->close();
}

} // namespace
