// PalavoXP's main window on a real X display (Xvfb) with three members, one of them
// away, saved as a PNG in the build tree for a person to look at.
#include "XpLanTest.h"

#include "host/MainForm.h"
#include "support/EventWaiter.h"
#include "ui/PalavoCtrl.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSet>

#include <gtest/gtest.h>

#include <iostream>

namespace
{

// Distinct colours of `image`, counting no further than `enough`.
int Colours(const QImage& image, int enough)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> seen;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            seen.insert(line[x]);
            if (seen.size() >= enough)
                return static_cast<int>(seen.size());
        }
    }
    return static_cast<int>(seen.size());
}

// What the display shows of the window, not what the widget would paint now.
QImage OnScreen(QWidget& window)
{
    return window.screen()->grabWindow(window.winId()).toImage();
}

using XpScreenshot = XpLanTest;

TEST_F(XpScreenshot, MainWindowWithThreeMembers)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display: run under xvfb-run with QT_QPA_PLATFORM=xcb "
                        "(ctest -R xp_screenshot does)";
    ASSERT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty())
        << "no font with Japanese glyphs (install fonts-noto-cjk)";

    MainForm* window = OpenWindow();
    ASSERT_NE(window, nullptr);
    CliPeer& second = EnteredPeer(2);
    CliPeer& third = EnteredPeer(3);
    ASSERT_TRUE(second.Call("UpdatePresense", Args({0, "会議中", ""}))["ok"].toBool());
    const QString self = Lan().Address(1);
    EXPECT_TRUE(ShowsRows({ExpectedRow(OwnAliase(), "", self, true),
                           ExpectedRow(SettingsFor(2).Aliase, "会議中", second.Address(), false),
                           ExpectedRow(SettingsFor(3).Aliase, "", third.Address(), true)}));
    ASSERT_EQ(Ctrl().PanelText(3), QStringLiteral("メンバ 3名"));

    // Mapped and painted: a blank or half-made window has one or two colours.
    window->raise();
    window->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return Colours(OnScreen(*window), 3) > 2; }, 10000))
        << "the window never appeared on the display";
    // The rows arrived before the last paint may have: paint once more, then look.
    window->repaint();
    const QImage shot = OnScreen(*window);

    const QString dir = QStringLiteral(PALAVO_ARTIFACT_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString path = dir + QStringLiteral("/palavo-xp-main.png");
    ASSERT_TRUE(shot.save(path, "PNG")) << path.toStdString();
    std::cout << "[ artifact ] " << path.toStdString() << std::endl;
    RecordProperty("screenshot", path.toStdString());

    // The file on disk is the whole window, with text, icons and frames in it.
    const QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), window->size() * window->devicePixelRatio());
    EXPECT_GE(Colours(saved, 64), 64) << "the picture is nearly blank";
}

} // namespace
