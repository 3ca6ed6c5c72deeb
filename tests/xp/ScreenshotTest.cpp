// PalavoXP's main window on a real X display (Xvfb) with three members, one of them
// away, saved as a PNG in the build tree for a person to look at.
#include "XpLanTest.h"

#include "host/MainForm.h"
#include "support/EventWaiter.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
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

// What the display shows of `area` (screen coordinates): the window and a menu over it.
QImage OnScreen(QWidget& window, const QRect& area)
{
    return window.screen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage();
}

QString SaveArtifact(const QImage& image, const QString& name)
{
    const QString dir = QStringLiteral(PALAVO_ARTIFACT_DIR);
    if (!QDir().mkpath(dir))
        return {};
    const QString path = dir + u'/' + name;
    if (!image.save(path, "PNG"))
        return {};
    std::cout << "[ artifact ] " << path.toStdString() << std::endl;
    return path;
}

// Each toolbar menu dropped down by a real click, and the member pop-up, over the entered
// window with two members: one picture each, with the whole menu on the screen.
TEST_F(XpScreenshot, EachMenuOpen)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display: run under xvfb-run with QT_QPA_PLATFORM=xcb "
                        "(ctest -R xp_screenshot does)";
    MainForm* window = OpenWindow();
    ASSERT_NE(window, nullptr);
    CliPeer& second = EnteredPeer(2);
    EXPECT_TRUE(ShowsRows({ExpectedRow(OwnAliase(), "", Lan().Address(1), true),
                           ExpectedRow(SettingsFor(2).Aliase, "", second.Address(), true)}));
    window->raise();
    window->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return Colours(OnScreen(*window), 3) > 2; }, 10000));

    // Takes the picture of the menu that is up, then closes it.
    auto shoot = [&](const QString& name, QStringList& items) {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        // The display keeps the last menu's pixels until the new one has painted: give
        // the window and the menu time to paint before the picture.
        QTest::qWait(300);
        const QRect area = window->frameGeometry().united(menu->geometry());
        EXPECT_TRUE(window->screen()->geometry().contains(menu->geometry())) << name.toStdString();
        // Every caption fits its line: the menu is at least as wide as the widest.
        int widest = 0;
        for (QAction* action : menu->actions())
            if (!action->isSeparator()) {
                items << action->text();
                widest = std::max(widest, menu->fontMetrics().horizontalAdvance(action->text()));
            }
        EXPECT_GT(menu->width(), widest) << name.toStdString();
        const QString path = SaveArtifact(OnScreen(*window, area), name);
        EXPECT_FALSE(path.isEmpty()) << name.toStdString();
        RecordProperty(name.toStdString(), path.toStdString());
        menu->close();
        QTest::qWait(200);
    };
    const char* const captions[] = {
        "", "エントリ", "大きいアイコン", "メッセージング", "オプション設定", "ヘルプ(Palavo XP)"};
    for (int index = 1; index <= 5; ++index) {
        auto* button =
            window->findChild<QToolButton*>(QStringLiteral("ToolbarMenuButton%1").arg(index));
        ASSERT_NE(button, nullptr) << index;
        QStringList items;
        QTimer::singleShot(
            200, [&] { shoot(QStringLiteral("palavo-xp-menu-%1.png").arg(index), items); });
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_FALSE(items.isEmpty()) << "menu " << index << " never dropped down";
        EXPECT_EQ(items.first(), QString::fromUtf8(captions[index])) << index;
    }

    // The member pop-up: a right click on the first row.
    QAbstractItemView* list = Ctrl().ListView();
    const QPoint row = list->visualRect(list->model()->index(0, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row);
    QStringList items;
    ASSERT_TRUE(WaitUntil([] { return QApplication::activePopupWidget() != nullptr; }, 5000));
    shoot(QStringLiteral("palavo-xp-member-menu.png"), items);
    EXPECT_EQ(items, QStringList({"メッセージング", "音声チャット", "メール送信", "ファイル転送",
                                  "プロパティ"}));
}

} // namespace
