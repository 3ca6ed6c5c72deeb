#pragma once

#include "component/HeadlessTransferViews.h"
#include "platform/BeepService.h"
#include "platform/ClassRegistry.h"
#include "platform/MessageBoxService.h"
#include "platform/PlatformServices.h"
#include "platform/SaveAsDialogService.h"
#include "platform/ShellService.h"
#include "support/FakeDatagramSocket.h"
#include "support/FakeRtcClient.h"
#include "support/FreePort.h"
#include "support/PrintQString.h"
#include "support/RecordingNotifications.h"
#include "support/ScriptedOpenFiles.h"
#include "ui/transfer/QtTransferUi.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>
#include <optional>
#include <sys/socket.h>
#include <vector>

class MainForm;
class PalavoCtrl;
class PalavoIF;
class QAction;

// Counts the beeps the control asks for.
class CountingBeeps : public IBeepService
{
public:
    void Beep(int, int) override { ++Count; }
    int Count = 0;
};

// What the desktop was asked to open, in order.
class RecordingShell : public IShellService
{
public:
    void Open(const QString& target) override { Opened << target; }
    QStringList Opened;
};

// The settings a test starts with, written to a fresh "Palavo.ini".
struct UiSettings {
    QString aliase = QStringLiteral("自分");
    QString grouplist = {};
    bool hostlist = false;
    bool autoEntry = false;
    bool displayRenew = false;
    // The transfer windows as the program's Qt dialogs instead of headless views.
    bool transferDialogs = false;
    // A (fake) call client for the voice-call managers; without one voice chat is off.
    bool callClient = false;
    // "media" (1 voice, 2 video, 4 whiteboard) and "autoAnswer".
    int media = 0;
    bool autoAnswer = false;
    // "saveHistory"; and a settings directory to use instead of a fresh one, so that a
    // second harness starts where a first one ended.
    bool saveHistory = false;
    QString home = {};
};

// Everything a widget test of the main control needs: its own settings directory
// (PALAVO_HOME), a class registry and platform services with a recording message-box
// service, and the real network component over a fake datagram socket, registered under
// TestProgId so that the control (or a MainForm) makes it through the class registry as
// it would the real one. Peers are played by datagrams handed to the component as its
// socket would.
class ControlHarness
{
public:
    static constexpr const char* TestProgId = "UiTest.PalavoIF";
    // The chat port; file transfers listen for real on the next one, so it is chosen
    // free for each harness (tests run side by side under ctest -j).
    const int Port = FreePort(SOCK_STREAM) - 1;

    explicit ControlHarness(const UiSettings& settings = {});
    ~ControlHarness();

    // The control, made on first use (start-up runs then), or the one of the window that
    // MakeWindow made.
    PalavoCtrl& Ctrl();
    // Lets the registry make the control as the program's does.
    void RegisterControlClass();
    // The program's window over this harness's registry, boxes and `tray`; its control becomes
    // Ctrl(). The window must go before the harness.
    std::unique_ptr<MainForm> MakeWindow(ITrayService* tray = nullptr);

    // The component behind the control's bridge.
    PalavoIF& Component();

    template <typename T> T* Find(const char* name) { return Widget()->findChild<T*>(name); }
    QWidget* Widget();
    // Clicks a real button (it must be enabled and visible to react, as for a user).
    void Click(const char* buttonName);
    // Chooses a menu item as the user would (a disabled item does nothing).
    void Choose(const char* actionName);
    // Chooses entry `index` of the group selector with the keyboard.
    void ChooseGroup(int index);

    // A peer enters with its groups; `appInfo` null: it never tells its tool.
    void PeerEnters(const QByteArray& address, const QString& alias, const QStringList& groups,
                    const char* appInfo = "Palavo XP 1.0.0",
                    std::optional<QString> absentAt = std::nullopt);
    // A present member goes absent at `location`, or (nullopt) comes back.
    void PeerPresence(const QByteArray& address, const QString& alias,
                      std::optional<QString> absentAt);
    void PeerExits(const QByteArray& address, const QString& alias);
    void PeerCasts(const QByteArray& address, const QString& group, const QString& text);
    void Receive(const QByteArray& from, int32_t command, const QByteArray& extra,
                 std::optional<QByteArrayView> groupPart = std::nullopt);

    // The rows of the member list as "nickname|memo|logon|host|address|icon".
    QStringList Rows();
    QStringList ComboItems(const char* name);
    // What the component broadcast, as "0x<command> <text>" lines; then forgets it.
    QStringList TakeBroadcasts();
    QStringList BoxTexts() const;

    ScriptedMessageBoxService boxes;
    CountingBeeps beeps;
    CancellingSaveAsDialogs saveAs;
    ScriptedOpenFiles openFiles;
    // Makes no client unless UiSettings::callClient; the probe's client is made first.
    rtc::FakeRtcClients calls;
    RecordingShell shell;
    HeadlessTransferViews views;
    QtTransferUi transferDialogs;
    RecordingNotifications notifications;
    PlatformServices services;
    ClassRegistry registry;
    std::vector<SentDatagram> sent;
    bool SocketOpens = true;

private:
    QTemporaryDir m_home;
    QByteArray m_oldHome;
    std::unique_ptr<PalavoCtrl> m_ctrl;
    PalavoCtrl* m_windowCtrl = nullptr;
};
