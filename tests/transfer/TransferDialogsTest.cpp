// The Qt dialogs of the transfer windows, on the offscreen platform.
#include "TransferHarness.h"

#include "platform/Cp932.h"

#include "ui/transfer/DialogUnits.h"
#include "ui/transfer/FileReceiveDialog.h"
#include "ui/transfer/FileSendDialog.h"
#include "ui/transfer/QtTransferUi.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

template <typename Dialog> Dialog* OpenDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<Dialog*>(widget); dialog != nullptr && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// The recording services of the world, with dialogs for the windows.
struct DialogWorld {
    DialogWorld() { world.Views = &dialogs; }
    TransferWorld world;
    QtTransferUi dialogs;
};

TEST(TransferDialogs, ReceiveDialogShowsTheWindowAndPressesItsButtons)
{
    DialogWorld d;
    TransferPeer peer(d.world.Services(), FreeChatPort());
    peer.AddMember("127.0.0.1", QStringLiteral("太郎"), "Palavo XP 1.0");
    peer.ReceiveXml("127.0.0.1",
                    Cp932::FromUnicode(u"<Command>FileTransfer</Command><Sender>太郎</Sender>"
                                       u"<PortNo>3000</PortNo><FileName>a.txt</FileName>"
                                       u"<FileSize>10</FileSize><Comment><b>やあ</b></Comment>"));
    peer.sent.clear();
    FileReceiveDialog* dialog = OpenDialog<FileReceiveDialog>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ファイル受信"));
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->Headline()->text(),
              QStringLiteral("太郎さんから、ファイル a.txt を受け取ります"));
    EXPECT_EQ(dialog->CommentBox()->text(), QStringLiteral("<b>やあ</b>"));
    EXPECT_TRUE(dialog->CommentBox()->isReadOnly());
    EXPECT_EQ(dialog->font().family(), TransferDialogFont().family());

    // Left to right on one line: open, save (the default), refuse, close.
    const QPushButton* order[] = {dialog->OpenButton(), dialog->SaveButton(),
                                  dialog->RejectButton(), dialog->CloseButton()};
    const QString texts[] = {OpenButtonText, SaveButtonText, RejectButtonText, CloseButtonText};
    const bool enabled[] = {false, true, true, false};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(order[i]->text(), texts[i]);
        EXPECT_EQ(order[i]->isEnabled(), enabled[i]) << i;
        EXPECT_EQ(order[i]->y(), order[0]->y());
        if (i > 0) {
            EXPECT_GT(order[i]->x(), order[i - 1]->x() + order[i - 1]->width() - 1);
        }
    }
    EXPECT_TRUE(dialog->SaveButton()->isDefault());

    dialog->RejectButton()->click();
    EXPECT_EQ(dialog->CommentBox()->text(), QStringLiteral("ファイルの受信を中止しました"));
    EXPECT_FALSE(dialog->RejectButton()->isEnabled());
    EXPECT_TRUE(dialog->CloseButton()->isEnabled());
    EXPECT_EQ(peer.SentLines(), QStringList{"127.0.0.1 0x128 <Command>RejectFileTrans</Command>"});

    // The cancel key reaches "閉じる".
    static_cast<QDialog*>(dialog)->reject();
    EXPECT_FALSE(dialog->isVisible());
    peer.RunComponentQueue();
    EXPECT_EQ(peer.ReceiveWindow(), nullptr);
}

TEST(TransferDialogs, SendDialogAndItsStopButton)
{
    DialogWorld d;
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath(QStringLiteral("a.bin"));
    WriteFile(file, "abc");
    TransferPeer peer(d.world.Services(), FreeChatPort());
    peer.AddMember("127.0.0.1", QStringLiteral("太郎"), "Palavo XP 1.0");
    ASSERT_EQ(peer.Offer(QStringLiteral("127.0.0.1"), file, {}), 0);
    FileSendDialog* dialog = OpenDialog<FileSendDialog>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ファイル送信"));
    EXPECT_EQ(dialog->StopButton()->text(), QStringLiteral("転送中止"));
    EXPECT_NE(dialog->findChild<QLabel*>(), nullptr);
    static_cast<QDialog*>(dialog)->reject(); // no cancel button: the key does nothing
    EXPECT_TRUE(dialog->isVisible());
    dialog->StopButton()->click();
    EXPECT_FALSE(dialog->isVisible());
    peer.RunComponentQueue();
    EXPECT_EQ(peer.SendWindow(), nullptr);
}

TEST(TransferDialogs, SaveAsFiltersInQtForm)
{
    const struct {
        const char* filter;
        const char* qt;
    } cases[] = {
        {"ALL Files (*.*)|*.*||", "ALL Files (*)"}, // every file, dotted or not
        {"Text (*.txt)|*.txt;*.log|All|*.*||", "Text (*.txt *.log);;All (*)"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtFileDialogFilter(QString::fromUtf8(c.filter)), QString::fromUtf8(c.qt));
}

} // namespace
