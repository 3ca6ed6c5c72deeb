// "オプション設定", "特別な設定" and "バージョン情報" on a real X display (Xvfb), saved as
// PNGs in the build tree for a person to look at; each text must fit its widget and no two
// widgets may overlap.
#include "ControlHarness.h"
#include "support/Screen.h"

#include "client/INIData.h"
#include "ui/AboutBoxForm.h"
#include "ui/OptionForm.h"
#include "ui/PalavoCtrl.h"
#include "ui/SpecialOptionForm.h"

#include <QAbstractButton>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <memory>

namespace
{

// Shows `dialog`, checks its layout and saves what the display shows as `name`.
void Shoot(QWidget& dialog, const QString& name)
{
    // Well inside the screen: over a parent that is not shown, a dialog may start off it.
    dialog.move(40, 40);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(100);
    const std::vector<QWidget*> leaves = ShownControls<QLabel, QAbstractButton, QLineEdit>(dialog);
    for (QWidget* widget : leaves) {
        const QString what = widget->objectName() + QLatin1Char(' ') + name;
        EXPECT_GE(widget->width(), widget->minimumSizeHint().width()) << what.toStdString();
        EXPECT_GE(widget->height(), widget->minimumSizeHint().height()) << what.toStdString();
        if (auto* label = qobject_cast<QLabel*>(widget);
            label != nullptr && label->pixmap().isNull()) {
            EXPECT_GE(widget->width(), widget->sizeHint().width()) << what.toStdString();
        }
    }
    ExpectInsideAndApart(dialog, leaves, name);
    const QImage shot = OnScreen(dialog);
    ASSERT_FALSE(shot.isNull());
    ASSERT_FALSE(SaveArtifact(shot, name).isEmpty());
}

} // namespace

TEST(DialogScreenshot, EachSettingsAndVersionDialog)
{
    if (const QString missing = XDisplayMissing(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    ASSERT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty())
        << "no font with Japanese glyphs (install fonts-noto-cjk)";
    ControlHarness h;
    PalavoCtrl& ctrl = h.Ctrl();
    // Every medium offered, so that no label is greyed in the picture.
    for (const char* key : {"voice", "video", "wb"})
        INIData::WriteIniInt(QStringLiteral("OPTION"), QString::fromLatin1(key), 1);
    INIData::WriteIniString(QStringLiteral("User"), QStringLiteral("mailAddress"),
                            QStringLiteral("jibun@example.org"));
    ChatInfo& settings = ctrl.Session().Settings();

    const std::pair<QString, std::function<std::unique_ptr<QWidget>()>> dialogs[] = {
        {QStringLiteral("palavo-xp-option.png"),
         [&] {
             return std::make_unique<OptionForm>(
                 settings, h.boxes, 7, [](QWidget*) {}, &ctrl);
         }},
        {QStringLiteral("palavo-xp-special-option.png"),
         [&] { return std::make_unique<SpecialOptionForm>(settings, h.services, nullptr, &ctrl); }},
        {QStringLiteral("palavo-xp-about.png"),
         [&] {
             return std::make_unique<AboutBoxForm>(h.shell, h.boxes, QStringLiteral("Palavo XP"),
                                                   QStringLiteral("0.1.0"), &ctrl);
         }},
    };
    for (const auto& [name, make] : dialogs) {
        std::unique_ptr<QWidget> dialog = make();
        Shoot(*dialog, name);
    }
}
