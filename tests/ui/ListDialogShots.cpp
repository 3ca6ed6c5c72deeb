// The memo dialog and the three list dialogs on a real X display (Xvfb), each saved as a
// PNG among the build's artifacts for a person to look at, and each checked for text
// cut off or controls on top of each other (the captions are long Japanese texts).
#include "client/ChatInfo.h"
#include "client/INIData.h"
#include "platform/MessageBoxService.h"
#include "support/EventWaiter.h"
#include "support/Screen.h"
#include "ui/BroadCastForm.h"
#include "ui/GroupListForm.h"
#include "ui/LocatioListForm.h"
#include "ui/LocationForm.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <memory>

namespace
{

// The controls a user reads or clicks, in the dialog's coordinates.
std::vector<std::pair<QWidget*, QRect>> Controls(QWidget& dialog)
{
    std::vector<std::pair<QWidget*, QRect>> controls;
    for (QWidget* child : dialog.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QLabel*>(child) ||
                             qobject_cast<QAbstractButton*>(child) ||
                             qobject_cast<QLineEdit*>(child) || qobject_cast<QComboBox*>(child) ||
                             qobject_cast<QAbstractItemView*>(child);
        // The combo box's own line edit lies inside it on purpose.
        if (control && child->isVisible() && !qobject_cast<QComboBox*>(child->parentWidget()))
            controls.emplace_back(child, QRect(child->mapTo(&dialog, QPoint(0, 0)), child->size()));
    }
    return controls;
}

QString Name(QWidget* widget)
{
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return widget->objectName();
}

// Every control inside the dialog, no text shorter than it needs, none on another.
void ExpectNothingCutOrOverlapping(QWidget& dialog)
{
    const auto controls = Controls(dialog);
    ASSERT_GE(controls.size(), 5U);
    for (const auto& [widget, rect] : controls) {
        EXPECT_TRUE(dialog.rect().contains(rect)) << Name(widget).toStdString() << " sticks out";
        if (qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_GE(rect.width(), widget->sizeHint().width())
                << Name(widget).toStdString() << " is cut off";
            EXPECT_GE(rect.height(), widget->sizeHint().height())
                << Name(widget).toStdString() << " is cut off";
        }
    }
    for (size_t i = 0; i < controls.size(); ++i)
        for (size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i].second.intersects(controls[j].second))
                << Name(controls[i].first).toStdString() << " overlaps "
                << Name(controls[j].first).toStdString();
}

class ListDialogShot : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const QString missing = XDisplayMissing(); !missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
        ASSERT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty())
            << "no font with Japanese glyphs (install fonts-noto-cjk)";
        ASSERT_TRUE(m_home.isValid());
        m_oldHome = qgetenv("PALAVO_HOME");
        qputenv("PALAVO_HOME", m_home.path().toLocal8Bit());
        const QString user = QStringLiteral("User");
        INIData::WriteIniString(user, QStringLiteral("grouplist"),
                                QStringLiteral("営業部第一課,ﾌﾟﾛｼﾞｪｸﾄX,開発"));
        INIData::WriteIniString(user, QStringLiteral("hostlist"), QStringLiteral("1"));
        INIData::WriteIniString(user, QStringLiteral("castAddrList"),
                                QStringLiteral("192.168.10.255,gw.example.co.jp"));
    }
    void TearDown() override { qputenv("PALAVO_HOME", m_oldHome); }

    // Shows `dialog`, saves what the display shows as `name`, and checks its layout.
    void Shoot(QWidget& dialog, const QString& name)
    {
        dialog.show();
        dialog.raise();
        dialog.activateWindow();
        ASSERT_TRUE(WaitUntil([&] { return Colours(OnScreen(dialog), 3) > 2; }, 10000))
            << "the dialog never appeared on the display";
        dialog.repaint();
        WaitUntil([] { return false; }, 200);
        const QImage shot = OnScreen(dialog);
        const QString path =
            SaveArtifact(shot, QStringLiteral("palavo-xp-dialog-") + name + ".png");
        ASSERT_FALSE(path.isEmpty()) << "the picture could not be saved";
        RecordProperty("screenshot", path.toStdString());
        EXPECT_GE(Colours(shot, 32), 32) << "the picture is nearly blank";
        ExpectNothingCutOrOverlapping(dialog);
    }

    ChatInfo info;
    ScriptedMessageBoxService boxes;

private:
    QTemporaryDir m_home;
    QByteArray m_oldHome;
};

} // namespace

TEST_F(ListDialogShot, LocationForm)
{
    LocationForm form;
    form.setLocation(QStringLiteral("会議室"));
    form.m_LocationList = QStringLiteral("会議室,トイレ,昼飯中,取り込み中");
    form.m_Response = QStringLiteral("ただいま席を外しています。15時に戻ります");
    form.updateList();
    Shoot(form, QStringLiteral("location"));
}

TEST_F(ListDialogShot, GroupListForm)
{
    GroupListForm form(info, boxes);
    Shoot(form, QStringLiteral("group-list"));
}

TEST_F(ListDialogShot, LocatioListForm)
{
    LocatioListForm form(info, boxes);
    form.txtLocation->setText(QStringLiteral("外出中（夕方戻り）"));
    Shoot(form, QStringLiteral("location-list"));
}

TEST_F(ListDialogShot, BroadCastForm)
{
    BroadCastForm form(info, boxes);
    form.txtIPAddress->setText(QStringLiteral("10.20.30.255"));
    Shoot(form, QStringLiteral("broadcast"));
}
