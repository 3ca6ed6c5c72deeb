// The file-send dialog and the search window of a PalavoXP window on the virtual LAN,
// with a palavo-cli copy as the member: a file chosen in the dialog arrives whole, and a
// search finds the copy and opens its chat window.
#include "ChatWindows.h"
#include "NetNamespace.h"
#include "XpLanTest.h"

#include "client/UserInformation.h"
#include "client/UserList.h"
#include "host/MainForm.h"
#include "support/EventWaiter.h"
#include "ui/ChatForm.h"
#include "ui/FileTransForm.h"
#include "ui/PalavoCtrl.h"
#include "ui/QueryForm.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace
{

using XpDialogs = XpLanTest;

bool KnowsAsProduct(PalavoCtrl& ctrl, const QString& address)
{
    const UserInformation* record = ctrl.Session().Users().SearchUserAddr(address);
    return record != nullptr && record->IsProductUser();
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(XpDialogs, FileChosenInTheDialogArrivesWhole)
{
    ASSERT_NE(OpenWindow(), nullptr);
    CliPeer& cli = EnteredPeer(2);
    ASSERT_TRUE(WaitUntil([&] { return KnowsAsProduct(Ctrl(), cli.Address()); }, 10000))
        << "the window does not know the copy as one of this product";

    // Odd-sized random bytes, so that the last chunk is a partial one.
    QTemporaryDir files;
    const QString source = files.filePath(QStringLiteral("報告書.bin"));
    QByteArray bytes(300'007, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    {
        QFile out(source);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
    }
    m_openFiles.Answers = {source};

    // The transfer port is opened as OK is pressed: that must happen inside host 1.
    bool pressed = false;
    {
        NetNamespace host1(Lan().Namespace(1));
        ASSERT_TRUE(host1.Entered()) << host1.Error().toStdString();
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<FileTransForm*>(QApplication::activeModalWidget());
            if (form != nullptr) {
                EXPECT_EQ(form->txtDestination->text(), SettingsFor(2).Aliase);
                QTest::mouseClick(form->CmdFileRef, Qt::LeftButton);
                EXPECT_EQ(form->txtFilePath->text(), source);
                form->txtComment->setPlainText(QStringLiteral("今月分です"));
                QTest::mouseClick(form->OKButton, Qt::LeftButton);
                pressed = !form->OKButton->isEnabled() && form->isVisible();
            }
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        Ctrl().ExecFileTrans(cli.Address(), QString());
    }
    ASSERT_TRUE(pressed) << "the dialog did not come up, or OK stayed enabled";

    // The copy is offered the file with the comment, saves it, and has every byte.
    const int offered = cli.WaitForLine(
        [](const QJsonObject& l) {
            return l.value("window").toString() == "FileReceiveWindow" &&
                   l.value("state").toObject().value("comment").toString() == "今月分です";
        },
        10000);
    ASSERT_GE(offered, 0) << cli.Diagnostics().toStdString();
    const QString target = files.filePath(QStringLiteral("saved.bin"));
    const QJsonObject answer = [&] {
        const int id = cli.Send(QJsonObject{
            {"press", "FileReceiveWindow"}, {"button", "受信・保存"}, {"savePath", target}});
        const int at = cli.WaitForLine(
            [id](const QJsonObject& l) { return l.value("id").toInt(-1) == id; }, 5000);
        return at < 0 ? QJsonObject{} : cli.Lines()[size_t(at)].Json;
    }();
    ASSERT_TRUE(answer.value("ok").toBool()) << cli.Diagnostics().toStdString();
    EXPECT_TRUE(WaitUntil([&] { return ReadAll(target) == bytes; }, 20000))
        << "saved " << QFileInfo(target).size() << " of " << bytes.size() << " bytes\n"
        << cli.Diagnostics().toStdString();
    for (const MessageBoxRequest& box : m_boxes.Shown())
        EXPECT_NE(box.Caption, QStringLiteral("エラー")) << qPrintable(box.Text);
}

TEST_F(XpDialogs, SearchFindsTheCopyAndOpensItsChat)
{
    ASSERT_NE(OpenWindow(), nullptr);
    CliPeer& cli = EnteredPeer(2);
    const QString aliase = SettingsFor(2).Aliase;
    ASSERT_TRUE(WaitUntil([&] { return KnowsAsProduct(Ctrl(), cli.Address()); }, 10000));

    auto* menuQuery = Window().findChild<QAction*>("MenuQuery");
    ASSERT_NE(menuQuery, nullptr);
    menuQuery->trigger();
    QueryForm* form = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* query = qobject_cast<QueryForm*>(window); query != nullptr && query->isVisible())
            form = query;
    ASSERT_NE(form, nullptr) << "検索 opened no window";

    form->txtQueryKey->setText(aliase.right(1));
    QTest::mouseClick(form->CmdQuery, Qt::LeftButton);
    ASSERT_EQ(form->ListQueryView->topLevelItemCount(), 1);
    QTreeWidgetItem* hit = form->ListQueryView->topLevelItem(0);
    EXPECT_EQ(hit->text(0), aliase);
    EXPECT_EQ(hit->text(2), cli.Address());

    form->ListQueryView->setCurrentItem(hit);
    form->RClickMenu[1]->trigger(); // "メッセージング"
    ChatForm* chat = ChatWindows::Of(Ctrl(), cli.Address());
    ASSERT_NE(chat, nullptr);
    EXPECT_TRUE(chat->isVisible());
    // The window is the real conversation: a line typed there reaches the copy.
    ChatWindows::Type(*chat, QStringLiteral("検索から来ました"));
    EXPECT_GE(
        cli.WaitForEvent("MessageReceived",
                         [](const QJsonArray& args) { return args.at(3) == "検索から来ました"; }),
        0)
        << cli.Diagnostics().toStdString();
    form->close();
    chat->close();
}

} // namespace
