// The call status window and the call confirmation on their own: texts, controls,
// heights and what their buttons raise.
#include "client/ChatInfo.h"
#include "support/PrintQString.h"
#include "ui/ConfirmVoIPForm.h"
#include "ui/RtcStatusForm.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace
{
QString Shown(const RtcStatusForm& form)
{
    QStringList shown;
    for (QPushButton* button :
         {form.btnAccept, form.btnDrop, form.btnReject, form.WbButton, form.AppButton})
        if (button->isVisible())
            shown << button->text();
    return shown.join(u' ');
}
} // namespace

TEST(RtcStatusWindow, EachStatusShowsItsTextButtonsAndHeight)
{
    struct Case {
        int sts;
        const char* text; // null: the invitation stays
        const char* buttons;
        bool sharingRow;
    };
    const char* callee = "承諾 拒否";
    const char* talking = "切断 ホワイトボード共有 アプリケーション共有";
    const Case cases[] = {
        {-1, nullptr, callee, false}, // after Init alone
        {0, "", callee, false},
        {1, "相手の承諾を待っています", talking, true},
        {2, "相手は話し中です", callee, false},
        {3, "通話中です", talking, true},
        {4, "相手を呼び出せませんでした", callee, false},
        {5, "相手が拒否しました", callee, false},
        {6, "相手が切断しました", callee, false},
        {7, "さんから音声チャットのお誘いです", "承諾 拒否 ホワイトボード共有 アプリケーション共有",
         true},
        {8, nullptr, callee, false},
        {9, "処理中です", callee, false},
    };
    ChatInfo settings;
    for (const Case& c : cases) {
        RtcStatusForm form(settings, 0);
        form.show();
        EXPECT_EQ(Shown(form), "") << "nothing before Init";
        form.Init(QStringLiteral("<b>花子</b>"), true, false, false);
        form.SetStatus(c.sts);
        EXPECT_EQ(form.lblStatus->text(),
                  c.text ? QString::fromUtf8(c.text)
                         : QStringLiteral("<b>花子</b>さんから音声チャットのお誘いです"));
        EXPECT_EQ(Shown(form), c.buttons) << c.sts;
        // Fitted to the top of the sharing row, or below it with 150 twips to spare.
        const QRect row = form.WbButton->geometry();
        EXPECT_EQ(form.height(),
                  c.sharingRow ? row.bottom() + 1 + TwipsToPixels(&form, 150) : row.top())
            << c.sts;
    }
    RtcStatusForm caller(settings, 0);
    caller.show();
    caller.Init(QStringLiteral("花子"), false, false, false);
    EXPECT_EQ(caller.lblStatus->text(), "相手の承諾を待っています");
    EXPECT_EQ(caller.lblStatus->textFormat(), Qt::PlainText) << "a nickname is never markup";
    EXPECT_EQ(Shown(caller), "切断");
}

TEST(RtcStatusWindow, ButtonsRaiseTheirEventsAndRejectAndDropClose)
{
    struct Case {
        bool receiver;
        const char* button;
        const char* heard;
        bool closes;
    };
    const Case cases[] = {
        {true, "btnAccept", "accepted 1 1", false}, {true, "btnReject", "rejected", true},
        {false, "btnDrop", "dropped", true},        {false, "WbButton", "whiteboard", false},
        {false, "AppButton", "sharing", false},
    };
    ChatInfo settings;
    for (const Case& c : cases) {
        QPointer<RtcStatusForm> form = new RtcStatusForm(settings, 7);
        QStringList heard;
        QObject::connect(form, &RtcStatusForm::OnRtcAccepted, [&heard](bool video, bool t120) {
            heard << QStringLiteral("accepted %1 %2").arg(int(video)).arg(int(t120));
        });
        QObject::connect(form, &RtcStatusForm::OnRtcRejected, [&heard] { heard << "rejected"; });
        QObject::connect(form, &RtcStatusForm::OnRtcDropped, [&heard] { heard << "dropped"; });
        QObject::connect(form, &RtcStatusForm::OnRtcWbShareClicked, [&] { heard << "whiteboard"; });
        QObject::connect(form, &RtcStatusForm::OnRtcAppShareClicked, [&] { heard << "sharing"; });
        form->show();
        form->Init(QStringLiteral("花子"), c.receiver, true, true);
        if (!c.receiver)
            form->SetStatus(3);
        QTest::mouseClick(form->findChild<QPushButton*>(c.button), Qt::LeftButton);
        EXPECT_EQ(heard, QStringList({c.heard}));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(form.isNull(), c.closes) << c.button;
        delete form.data();
    }
}

TEST(ConfirmVoIPWindow, VideoCanBeChosenOnlyWhenOfferedAndTheAnswerIsKept)
{
    struct Case {
        bool offered;
        const char* how;
        bool ok;
    };
    const Case cases[] = {
        {true, "OKButton", true},
        {false, "OKButton", true},
        {true, "CancelButton", false},
        {true, "Escape", false},
    };
    for (const Case& c : cases) {
        ConfirmVoIPForm form;
        EXPECT_EQ(form.windowTitle(), "音声(ビデオ)チャットの確認");
        form.m_OK = !c.ok;
        form.Init(QStringLiteral("花子"), c.offered);
        form.show();
        EXPECT_EQ(form.lblMessage->text(), "花子さんに電話しますか？");
        EXPECT_EQ(form.CheckVideo->text() + form.CancelButton->text(), "ビデオ使用ｷｬﾝｾﾙ");
        EXPECT_EQ(form.CheckVideo->isChecked(), c.offered);
        // Two clicks on the box: back where it was, or never changed when not usable.
        const QPoint box(4, form.CheckVideo->height() / 2);
        QTest::mouseClick(form.CheckVideo, Qt::LeftButton, {}, box);
        EXPECT_FALSE(form.video());
        QTest::mouseClick(form.CheckVideo, Qt::LeftButton, {}, box);
        if (QLatin1String(c.how) == QLatin1String("Escape"))
            QTest::keyClick(&form, Qt::Key_Escape);
        else
            QTest::mouseClick(form.findChild<QPushButton*>(c.how), Qt::LeftButton);
        EXPECT_EQ(form.m_OK, c.ok) << c.how;
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.video(), c.offered) << "still readable after closing";
    }
}
