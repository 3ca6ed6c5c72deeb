// The call status window and the call confirmation on their own: controls, texts,
// heights, the close delays and the signals their buttons raise.
#include "client/ChatInfo.h"
#include "support/EventWaiter.h"
#include "support/PrintQString.h"
#include "ui/ConfirmVoIPForm.h"
#include "ui/RtcStatusForm.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace
{
QString Visible(const RtcStatusForm& form)
{
    QStringList shown;
    for (QWidget* control : std::initializer_list<QWidget*>{
             form.btnAccept, form.btnDrop, form.btnReject, form.WbButton, form.AppButton})
        if (control->isVisible())
            shown << control->objectName();
    return shown.join(u' ');
}

// The client height when the sharing row is left out, and with it.
int WithoutSharingRow(const RtcStatusForm& form)
{
    return form.WbButton->y();
}

int WithSharingRow(const RtcStatusForm& form)
{
    return form.WbButton->geometry().bottom() + 1 + TwipsToPixels(&form, 150);
}
} // namespace

TEST(RtcStatusWindow, InitPreparesTheCalleeOrTheCaller)
{
    ChatInfo settings;
    for (bool receiver : {true, false}) {
        RtcStatusForm form(settings, 0);
        form.show();
        EXPECT_EQ(Visible(form), "") << "no button before Init";
        form.Init(QStringLiteral("<b>花子</b>"), receiver, false, false);
        EXPECT_EQ(Visible(form), receiver ? "btnAccept btnReject" : "btnDrop");
        EXPECT_EQ(form.lblStatus->text(),
                  receiver ? QStringLiteral("<b>花子</b>さんから音声チャットのお誘いです")
                           : QStringLiteral("相手の承諾を待っています"));
        EXPECT_EQ(form.lblStatus->textFormat(), Qt::PlainText) << "a nickname is never markup";
        EXPECT_EQ(form.height(), WithoutSharingRow(form));
        EXPECT_FALSE(form.TimerAutoAnswer.isActive()) << "automatic answer is off";
        EXPECT_EQ(form.btnAccept->text(), "承諾");
        EXPECT_EQ(form.btnDrop->text(), "切断");
        EXPECT_EQ(form.btnReject->text(), "拒否");
        EXPECT_EQ(form.WbButton->text(), "ホワイトボード共有");
        EXPECT_EQ(form.AppButton->text(), "アプリケーション共有");
    }
}

TEST(RtcStatusWindow, EachStatusShowsItsTextButtonsAndHeight)
{
    struct Case {
        int sts;
        const char* text; // null: unchanged
        const char* buttons;
        bool sharingRow;
    };
    const Case cases[] = {
        {0, "", "btnAccept btnReject", false},
        {1, "相手の承諾を待っています", "btnDrop WbButton AppButton", true},
        {2, "相手は話し中です", "btnAccept btnReject", false},
        {3, "通話中です", "btnDrop WbButton AppButton", true},
        {4, nullptr, "btnAccept btnReject", false},
        {5, "相手が拒否しました", "btnAccept btnReject", false},
        {6, "相手が切断しました", "btnAccept btnReject", false},
        {7, "さんから音声チャットのお誘いです", "btnAccept btnReject WbButton AppButton", true},
        {8, nullptr, "btnAccept btnReject", false},
        {9, "処理中です", "btnAccept btnReject", false},
    };
    ChatInfo settings;
    for (const Case& c : cases) {
        RtcStatusForm form(settings, 7);
        form.show();
        form.Init(QStringLiteral("花子"), true, false, false);
        form.SetStatus(c.sts);
        EXPECT_EQ(form.lblStatus->text(),
                  c.text ? QString::fromUtf8(c.text)
                         : QStringLiteral("花子さんから音声チャットのお誘いです"))
            << c.sts;
        EXPECT_EQ(Visible(form), c.buttons) << c.sts;
        EXPECT_EQ(form.height(), c.sharingRow ? WithSharingRow(form) : WithoutSharingRow(form))
            << c.sts;
        if (c.sharingRow) {
            // Every control fits inside the window.
            for (QWidget* control : form.findChildren<QPushButton*>())
                EXPECT_LE(control->geometry().bottom(), form.height()) << c.sts;
        }
    }
}

TEST(RtcStatusWindow, SharingIsUsableOnlyWithTheMachinesWhiteboardAndTheCallsOffer)
{
    struct Case {
        int caps;
        bool t120;
        bool enabled;
    };
    const Case cases[] = {
        {7, true, true}, {7, false, false}, {3, true, false}, {4, true, true}, {0, false, false}};
    ChatInfo settings;
    for (const Case& c : cases) {
        RtcStatusForm form(settings, c.caps);
        form.show();
        form.Init(QStringLiteral("花子"), false, false, c.t120);
        form.SetStatus(1);
        EXPECT_FALSE(form.WbButton->isEnabled()) << "not before the call";
        form.SetStatus(3);
        EXPECT_TRUE(form.WbButton->isVisible());
        EXPECT_EQ(form.WbButton->isEnabled(), c.enabled) << c.caps << c.t120;
        EXPECT_EQ(form.AppButton->isEnabled(), c.enabled) << c.caps << c.t120;
    }
}

TEST(RtcStatusWindow, CloseFormWaitsTheGivenSecondsOrATenth)
{
    const std::pair<int, int> cases[] = {{0, 100}, {1, 1000}, {2, 2000}, {5, 5000}};
    ChatInfo settings;
    for (const auto& [sec, ms] : cases) {
        QPointer<RtcStatusForm> form = new RtcStatusForm(settings, 0);
        form->show();
        form->closeForm(sec);
        EXPECT_TRUE(form->Timer1.isActive());
        EXPECT_EQ(form->Timer1.interval(), ms) << sec;
        EXPECT_TRUE(form->isVisible()) << "not yet";
        form->Timer1_Timer();
        EXPECT_FALSE(form->Timer1.isActive());
        EXPECT_FALSE(form->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(form.isNull()) << "the window deletes itself";
    }
    // And by the real timer.
    QPointer<RtcStatusForm> form = new RtcStatusForm(settings, 0);
    form->show();
    form->closeForm(0);
    EXPECT_TRUE(WaitUntil([&form] { return form.isNull(); }, 3000));
}

TEST(RtcStatusWindow, ButtonsRaiseTheirEventsAndRejectAndDropClose)
{
    ChatInfo settings;
    struct Case {
        bool receiver;
        const char* button;
        const char* event;
        bool closes;
    };
    const Case cases[] = {
        {true, "btnAccept", "accepted", false}, {true, "btnReject", "rejected", true},
        {false, "btnDrop", "dropped", true},    {false, "WbButton", "whiteboard", false},
        {false, "AppButton", "sharing", false},
    };
    for (const Case& c : cases) {
        QPointer<RtcStatusForm> form = new RtcStatusForm(settings, 7);
        QStringList heard;
        QObject::connect(form, &RtcStatusForm::OnRtcAccepted, [&heard](bool video, bool t120) {
            heard << QStringLiteral("accepted %1 %2").arg(int(video)).arg(int(t120));
        });
        QObject::connect(form, &RtcStatusForm::OnRtcRejected, [&heard] { heard << "rejected"; });
        QObject::connect(form, &RtcStatusForm::OnRtcDropped, [&heard] { heard << "dropped"; });
        QObject::connect(form, &RtcStatusForm::OnRtcWbShareClicked,
                         [&heard] { heard << "whiteboard"; });
        QObject::connect(form, &RtcStatusForm::OnRtcAppShareClicked,
                         [&heard] { heard << "sharing"; });
        form->show();
        form->Init(QStringLiteral("花子"), c.receiver, true, true);
        if (!c.receiver)
            form->SetStatus(3);
        auto* button = form->findChild<QPushButton*>(QString::fromLatin1(c.button));
        ASSERT_NE(button, nullptr) << c.button;
        QTest::mouseClick(button, Qt::LeftButton);
        const QString expected = QLatin1String(c.event) == QLatin1String("accepted")
                                     ? QStringLiteral("accepted 1 1")
                                     : QString::fromLatin1(c.event);
        EXPECT_EQ(heard, QStringList({expected})) << c.button;
        EXPECT_EQ(!form->isVisible(), c.closes) << c.button;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(form.isNull(), c.closes) << c.button;
        delete form.data();
    }
}

TEST(RtcStatusWindow, AutomaticAnswerAcceptsOnceAfterASecond)
{
    ChatInfo settings;
    settings.setAutoAnswer(true);
    // The caller never answers itself.
    RtcStatusForm caller(settings, 0);
    caller.Init(QStringLiteral("花子"), false, false, false);
    EXPECT_FALSE(caller.TimerAutoAnswer.isActive());

    RtcStatusForm form(settings, 0);
    QSignalSpy accepted(&form, &RtcStatusForm::OnRtcAccepted);
    form.show();
    form.Init(QStringLiteral("花子"), true, true, false);
    ASSERT_TRUE(form.TimerAutoAnswer.isActive());
    EXPECT_EQ(form.TimerAutoAnswer.interval(), 1000);
    form.TimerAutoAnswer_Timer();
    EXPECT_FALSE(form.TimerAutoAnswer.isActive()) << "one answer only";
    ASSERT_EQ(accepted.size(), 1);
    EXPECT_EQ(accepted[0], QVariantList({true, false}));
    EXPECT_TRUE(form.isVisible());

    // Answered by hand first: the timer does not accept a second time.
    RtcStatusForm byHand(settings, 0);
    QSignalSpy again(&byHand, &RtcStatusForm::OnRtcAccepted);
    byHand.show();
    byHand.Init(QStringLiteral("花子"), true, false, false);
    QTest::mouseClick(byHand.btnAccept, Qt::LeftButton);
    EXPECT_FALSE(byHand.TimerAutoAnswer.isActive());
    EXPECT_EQ(again.size(), 1);
}

TEST(ConfirmVoIPWindow, VideoCanBeChosenOnlyWhenOffered)
{
    for (bool offered : {true, false}) {
        ConfirmVoIPForm form;
        EXPECT_EQ(form.windowTitle(), "音声(ビデオ)チャットの確認");
        EXPECT_FALSE(form.m_OK);
        form.Init(QStringLiteral("花子"), offered);
        form.show();
        EXPECT_EQ(form.lblMessage->text(), "花子さんに電話しますか？");
        EXPECT_EQ(form.CheckVideo->text(), "ビデオ使用");
        EXPECT_EQ(form.CheckVideo->isChecked(), offered);
        EXPECT_EQ(form.CheckVideo->isEnabled(), offered);
        // Clicks on the box change it only while it is usable.
        const QPoint box(4, form.CheckVideo->height() / 2);
        QTest::mouseClick(form.CheckVideo, Qt::LeftButton, {}, box);
        EXPECT_FALSE(form.video()) << offered;
        QTest::mouseClick(form.CheckVideo, Qt::LeftButton, {}, box);
        EXPECT_EQ(form.video(), offered);
    }
}

TEST(ConfirmVoIPWindow, OkCancelAndEscapeSetTheAnswer)
{
    struct Case {
        const char* how;
        bool ok;
    };
    const Case cases[] = {{"OKButton", true}, {"CancelButton", false}, {"Escape", false}};
    for (const Case& c : cases) {
        ConfirmVoIPForm form;
        form.Init(QStringLiteral("花子"), true);
        form.m_OK = !c.ok;
        form.show();
        if (QLatin1String(c.how) == QLatin1String("Escape"))
            QTest::keyClick(&form, Qt::Key_Escape);
        else
            QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(c.how)),
                              Qt::LeftButton);
        EXPECT_EQ(form.m_OK, c.ok) << c.how;
        EXPECT_FALSE(form.isVisible()) << c.how;
        EXPECT_TRUE(form.video()) << "the choice can still be read";
        EXPECT_EQ(form.CancelButton->text(), "ｷｬﾝｾﾙ");
    }
}
