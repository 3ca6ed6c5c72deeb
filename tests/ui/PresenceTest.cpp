// The presence selector "オン"/"オフ" and the memo/whereabouts button with its dialog.
#include "ControlHarness.h"

#include "client/ChatInfo.h"
#include "client/CommaList.h"
#include "ui/LocationForm.h"
#include "ui/PalavoCtrl.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace
{

// Answers the next LocationForm that opens modally: `fill` edits it, then the named
// button is clicked. The timer keeps looking until the dialog is up.
void AnswerLocationForm(std::function<void(LocationForm&)> fill, const char* button)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, fill, button] {
        auto* form = qobject_cast<LocationForm*>(QApplication::activeModalWidget());
        if (form == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        fill(*form);
        QTest::mouseClick(form->findChild<QPushButton*>(button), Qt::LeftButton);
    });
    timer->start();
}

} // namespace

TEST(MainControlPresence, OffAndOnAnnounceTheStateAndGateTheMemoButton)
{
    ControlHarness h;
    PalavoCtrl& ctrl = h.Ctrl();
    h.Choose("MenuEntry");
    h.TakeBroadcasts();
    auto* memo = h.Find<QPushButton>("cmdLocation");
    EXPECT_FALSE(memo->isEnabled()); // a memo can be chosen only while "オフ"

    h.Click("optExist1");
    EXPECT_TRUE(memo->isEnabled());
    EXPECT_FALSE(h.Ctrl().Session().Settings().Presence());
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x104 自分[]"});

    h.Click("optExist0");
    EXPECT_FALSE(memo->isEnabled());
    EXPECT_TRUE(h.Ctrl().Session().Settings().Presence());
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x4 自分"});

    // Cancel entry puts the selector back to "オン" with the buttons disabled.
    h.Click("optExist1");
    h.Choose("MenuCancelEntry");
    EXPECT_TRUE(h.Find<QRadioButton>("optExist0")->isChecked());
    EXPECT_FALSE(memo->isEnabled());
    EXPECT_TRUE(h.Ctrl().Session().Settings().Presence());
    EXPECT_FALSE(ctrl.EntryState());
}

TEST(MainControlPresence, AChosenMemoIsShownAndAnnouncedWithTheReply)
{
    ControlHarness h;
    PalavoCtrl& ctrl = h.Ctrl();
    h.Choose("MenuEntry");
    h.Click("optExist1");
    h.TakeBroadcasts();

    // The dialog offers the stored list and starts from the current memo and reply.
    QStringList offered;
    AnswerLocationForm(
        [&](LocationForm& form) {
            for (int i = 0; i < form.cmbLocation->count(); ++i)
                offered << form.cmbLocation->itemText(i);
            form.cmbLocation->setEditText(QStringLiteral("会議室B"));
            form.txtResponse->setText(QStringLiteral("15時に戻ります"));
        },
        "OKButton");
    h.Click("cmdLocation");
    EXPECT_EQ(offered, (QStringList{"会議室", "トイレ", "昼飯中", "取り込み中"}));
    EXPECT_EQ(h.Find<QLineEdit>("txtLocation")->text(), "会議室B");
    EXPECT_EQ(h.Ctrl().Session().Settings().Location(), "会議室B");
    EXPECT_EQ(ctrl.AbsenceResponse(), "15時に戻ります");
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x104 自分[会議室B]"});

    // Cancel changes nothing and announces nothing.
    QString shownMemo, shownReply;
    AnswerLocationForm(
        [&](LocationForm& form) {
            shownMemo = form.cmbLocation->currentText();
            shownReply = form.txtResponse->text();
            form.cmbLocation->setEditText(QStringLiteral("トイレ"));
        },
        "CancelButton");
    h.Click("cmdLocation");
    EXPECT_EQ(shownMemo, "会議室B");
    EXPECT_EQ(shownReply, "15時に戻ります");
    EXPECT_EQ(h.Find<QLineEdit>("txtLocation")->text(), "会議室B");
    EXPECT_EQ(h.Ctrl().Session().Settings().Location(), "会議室B");
    EXPECT_TRUE(h.TakeBroadcasts().isEmpty());
}

TEST(LocationFormLists, AStoredListSplitsAtEveryComma)
{
    struct Case {
        const char* stored;
        QStringList items;
    };
    const Case cases[] = {
        {"A", {"A"}}, // one character is an entry
        {"", {}},
        {"A,B", {"A", "B"}},
        {"A,,B", {"A", "", "B"}},  // an empty item stays an entry
        {" A , B", {" A ", " B"}}, // items are not trimmed
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitStoredList(c.stored), c.items) << c.stored;
}
