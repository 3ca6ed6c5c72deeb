#pragma once

#include "LanTest.h"

#include "component/HeadlessTransferViews.h"
#include "platform/BeepService.h"
#include "platform/ClassRegistry.h"
#include "platform/MessageBoxService.h"
#include "platform/PlatformServices.h"
#include "platform/SaveAsDialogService.h"
#include "platform/ShellService.h"
#include "platform/rtc/RtcClient.h"
#include "support/PrintQString.h"
#include "support/ScriptedOpenFiles.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <ostream>
#include <vector>

class MainForm;
class PalavoCtrl;

// PalavoXP's own window, made in this process on host 1 of the virtual LAN, next to
// palavo-cli copies on the other hosts. The window's settings directory is fresh, with
// automatic entry on; message boxes are recorded and answered with their default
// button, so nothing waits for a person.
class XpLanTest : public LanTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    static QString OwnAliase() { return QStringLiteral("パラボ太郎"); }

    // Makes the window inside host 1 and waits for its automatic entry; the thread is
    // back in its own namespace afterwards. Null (with a test failure) when it failed.
    MainForm* OpenWindow();
    MainForm& Window() { return *m_window; }
    PalavoCtrl& Ctrl();
    // Another PalavoXP window in this process, made inside `host` with a settings
    // directory of its own (automatic entry on) and waited for until it has entered.
    // Null (with a test failure) when it failed.
    PalavoCtrl* OpenOtherWindow(int host, const QString& aliase, const QString& groups);

    // What the member list shows, one text a row: the five columns in order, then the
    // icon ("present", "absent", or "?" for anything else), joined by "|".
    QStringList Rows();
    // The row that the window shows for a palavo-cli copy on `host`, as Rows() does.
    static QString ExpectedRow(const QString& aliase, const QString& memo, const QString& address,
                               bool present);
    // Waits until the list shows `rows`; on timeout, what it showed last.
    testing::AssertionResult ShowsRows(const QStringList& rows, int timeoutMs = 10000);

    // A palavo-cli copy on `host`, entered.
    CliPeer& EnteredPeer(int host);

    ScriptedMessageBoxService m_boxes;
    SilentBeeps m_beeps;
    CancellingSaveAsDialogs m_saveAs;
    HeadlessShell m_shell;
    HeadlessTransferViews m_views;
    ScriptedOpenFiles m_openFiles;
    rtc::NoCallClients m_calls;
    NoNotifications m_notifications;
    PlatformServices m_services{m_boxes, m_beeps,     m_saveAs, m_shell,
                                m_views, m_openFiles, m_calls,  m_notifications};
    ITrayService* m_tray = nullptr; // OpenWindow's; set with m_services.Tray before SetUp
    ClassRegistry m_registry;

private:
    QTemporaryDir m_home;
    QByteArray m_oldHome;
    bool m_oldHomeSet = false;
    std::unique_ptr<MainForm> m_window;
    struct OtherWindow {
        QTemporaryDir Home;
        std::unique_ptr<MainForm> Window;
    };
    std::vector<std::unique_ptr<OtherWindow>> m_others;
};
