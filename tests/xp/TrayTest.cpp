// PalavoXP's tray icon in a real tray host (trayer) on the X display, while a peer on the
// virtual LAN writes to the user behind another window.
#include "ChatWindows.h"
#include "XpScreenshot.h"

#include "host/MainForm.h"
#include "host/TrayIcons.h"
#include "support/EventWaiter.h"
#include "ui/ChatForm.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

#include <iostream>

class XpTray : public XpScreenshot
{
protected:
    void SetUp() override
    {
        const QString trayer = QStandardPaths::findExecutable(QStringLiteral("trayer"));
        QString missing = XDisplayMissing();
        if (missing.isEmpty() && trayer.isEmpty())
            missing = QStringLiteral("needs a tray host on the display: install trayer");
        if (!missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
        m_trayer.start(trayer, {"--edge", "top", "--align", "right", "--widthtype", "request"});
        ASSERT_TRUE(WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000))
            << "trayer put no tray on the display";
        m_icon = std::make_unique<QtTrayService>(PaintTrayIcons());
        m_services.Tray = m_tray = m_icon.get();
        XpScreenshot::SetUp();
    }

    // Both outlive the window (gone in TearDown); trayer ends with its QProcess.
    QProcess m_trayer;
    std::unique_ptr<QtTrayService> m_icon;
};

TEST_F(XpTray, ALineBehindAnotherWindowIsCountedInTheTooltipUntilSeen)
{
    MainForm* window = OpenWindow();
    ASSERT_NE(window, nullptr);
    const QSystemTrayIcon& icon = m_icon->Icon();
    EXPECT_TRUE(icon.isVisible());
    // Without a StatusNotifierItem host on the session bus Qt embeds a window of its own
    // into the X11 tray; only then has the icon a place on the screen.
    bool xembed = false;
    for (QWidget* widget : QApplication::topLevelWidgets())
        xembed |= QLatin1String(widget->metaObject()->className()) == "QSystemTrayIconSys";
    std::cout << "[ tray ] " << (xembed ? "XEmbed (xcb)" : "StatusNotifierItem (D-Bus)") << '\n';
    EXPECT_TRUE(!xembed || WaitUntil([&] {
        return Colours(OnScreen(*window, icon.geometry()), 3) > 2;
    })) << "no icon in the tray";

    window->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return window->isActiveWindow(); }));
    CliPeer& peer = EnteredPeer(2);
    ASSERT_TRUE(peer.Call("SendPrivateMessage", Args({Lan().Address(1), 1, "見ていますか？"}))["ok"]
                    .toBool());
    ASSERT_TRUE(WaitUntil([&] { return ChatWindows::Of(Ctrl(), peer.Address()) != nullptr; }));
    ChatForm& chat = *ChatWindows::Of(Ctrl(), peer.Address());
    EXPECT_FALSE(chat.isActiveWindow());
    EXPECT_EQ(icon.toolTip(), TrayToolTip(TrayPresence::Present, 1));
    const QString path = SaveArtifact(window->screen()->grabWindow(0).toImage(),
                                      QStringLiteral("palavo-xp-tray.png"));
    EXPECT_FALSE(path.isEmpty());
    RecordProperty("tray_screenshot", path.toStdString());

    chat.activateWindow();
    EXPECT_TRUE(WaitUntil([&] { return icon.toolTip() == TrayToolTip(TrayPresence::Present, 0); }))
        << icon.toolTip().toStdString();
}
