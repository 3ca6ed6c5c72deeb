// The program's window: the control made from the class registry, the question before
// closing, and the shutdown of the control; and the program's command line.
#include "ControlHarness.h"

#include "component/ErrorInfo.h"
#include "component/PalavoIF.h"
#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "engine/SocketEvent.h"
#include "host/MainForm.h"
#include "host/ProgramOptions.h"
#include "platform/ClassRegistry.h"
#include "platform/Cp932.h"
#include "support/EventWaiter.h"
#include "ui/PalavoCtrl.h"
#include "ui/PalavoCtrlModule.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>

TEST(MainForm, HoldsTheControlMadeByItsClassName)
{
    ControlHarness h;
    h.RegisterControlClass();
    std::unique_ptr<MainForm> made = h.MakeWindow();
    MainForm& window = *made;
    window.show();
    EXPECT_EQ(window.windowTitle(), "Palavo XP");
    EXPECT_FALSE(window.windowIcon().isNull());
    ASSERT_NE(window.PalavoCtrl1(), nullptr);
    EXPECT_EQ(window.PalavoCtrl1()->parent(), &window);
    EXPECT_EQ(window.PalavoCtrl1()->objectName(), "PalavoCtrl1");
    EXPECT_EQ(window.PalavoCtrl1()->geometry(), window.rect());

    // The control follows the window's size.
    window.resize(800, 600);
    EXPECT_TRUE(WaitUntil([&] { return window.PalavoCtrl1()->size() == QSize(800, 600); }));
}

TEST(MainForm, TheLibraryRegistersTheControlClass)
{
    ControlHarness h; // its own settings directory, so no automatic entry
    EXPECT_EQ(h.registry.Find(QStringLiteral("PalavoOCX.PalavoCtrl")), nullptr);
    PalavoCtrlModule::DllRegisterServer(h.registry, h.services);
    std::unique_ptr<QObject> made = h.registry.Create(QStringLiteral("PalavoOCX.PalavoCtrl"));
    EXPECT_NE(qobject_cast<PalavoCtrl*>(made.get()), nullptr);
    EXPECT_EQ(made->parent(), nullptr) << "the window that asked takes it";
    PalavoCtrlModule::DllUnregisterServer(h.registry);
    EXPECT_EQ(h.registry.Find(QStringLiteral("PalavoOCX.PalavoCtrl")), nullptr);
}

TEST(MainForm, AnsweringNoKeepsEverythingRunning)
{
    ControlHarness h;
    h.RegisterControlClass();
    std::unique_ptr<MainForm> made = h.MakeWindow();
    MainForm& window = *made;
    window.show();
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "太郎", {});
    h.TakeBroadcasts();

    h.boxes.QueueAnswer(MessageBoxAnswer::No);
    EXPECT_FALSE(window.close());
    ASSERT_EQ(h.boxes.Shown().size(), 1u);
    const MessageBoxRequest& question = h.boxes.Shown()[0];
    EXPECT_EQ(question.Text, "Palavo XPを終了しますか？");
    EXPECT_EQ(question.Caption, "かくにん");
    EXPECT_EQ(question.Buttons, MessageBoxButtons::YesNo);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.PalavoCtrl1()->EntryState());
    EXPECT_EQ(h.Rows().size(), 1);
    EXPECT_TRUE(h.TakeBroadcasts().isEmpty()); // the peers saw no exit

    h.boxes.QueueAnswer(MessageBoxAnswer::Yes);
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.PalavoCtrl1()->EntryState());
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x2 自分"});
}

TEST(MainForm, LeavingTheNetworkHappensOnceEvenWithoutAClose)
{
    ControlHarness h;
    h.RegisterControlClass();
    {
        std::unique_ptr<MainForm> window = h.MakeWindow();
        window->show();
        h.Choose("MenuEntry");
        h.TakeBroadcasts();
    } // the program ends without a close event, as at the end of a session
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x2 自分"});
}

// The visible top-level dialog captioned `caption`, or null.
QWidget* FindDialog(const QString& caption)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle() == caption)
            return widget;
    }
    return nullptr;
}

// The component's transfer windows as the program shows them: top-level dialogs.
UiSettings WithTransferDialogs()
{
    UiSettings settings;
    settings.transferDialogs = true;
    return settings;
}

// Closes the window with Yes inside the program's own event loop. 0 when the loop ended
// by itself; 1 when it had to be ended after five seconds.
int CloseInTheEventLoop(MainForm& window, ControlHarness& h)
{
    h.boxes.QueueAnswer(MessageBoxAnswer::Yes);
    QTimer::singleShot(0, &window, [&window] { window.close(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    return QCoreApplication::exec();
}

// What the component sent to `address`, one XML command text or command code a line, in
// order; broadcasts as "broadcast 0x<command>".
QStringList SentTo(const ControlHarness& h, const QByteArray& address)
{
    QStringList lines;
    for (const SentDatagram& datagram : h.sent) {
        const ReceivedPacket packet = ParsePacket(datagram.Bytes, SocketEvent{});
        if (datagram.Host == "255.255.255.255")
            lines << QStringLiteral("broadcast 0x%1").arg(packet.Command, 0, 16);
        else if (datagram.Host == address && packet.Command == CMD_XML_MESSAGE)
            lines << Cp932::ToUnicode(packet.Extra);
    }
    return lines;
}

// A file-transfer window is a top-level window of its own; the program still ends with
// its main window, and the peer hears that the transfer stopped before it hears the exit.
TEST(MainForm, ClosingEndsTheProgramWhileAFileIsOffered)
{
    ControlHarness h(WithTransferDialogs());
    h.RegisterControlClass();
    std::unique_ptr<MainForm> made = h.MakeWindow();
    MainForm& window = *made;
    window.EndProgramOnUnload();
    window.show();
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "太郎", {});
    h.Receive("10.0.0.2", CMD_XML_MESSAGE | OPT_SEND_CHECK,
              Cp932::FromUnicode(u"<Command>FileTransfer</Command><Sender>太郎</Sender>"
                                 u"<PortNo>2426</PortNo><FileName>a.txt</FileName>"
                                 u"<FileSize>100</FileSize><Comment></Comment>"));
    const QPointer<QWidget> dialog = FindDialog(QStringLiteral("ファイル受信"));
    ASSERT_NE(dialog, nullptr);
    h.sent.clear();

    EXPECT_EQ(CloseInTheEventLoop(window, h), 0) << "the program waited for the transfer window";
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
    EXPECT_EQ(SentTo(h, "10.0.0.2"),
              (QStringList{"<Command>RejectFileTrans</Command>", "broadcast 0x2"}));
}

TEST(MainForm, ClosingStopsAFileBeingSentAsItsStopButtonWould)
{
    ControlHarness h(WithTransferDialogs());
    h.RegisterControlClass();
    std::unique_ptr<MainForm> made = h.MakeWindow();
    MainForm& window = *made;
    window.EndProgramOnUnload();
    window.show();
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "太郎", {});
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath(QStringLiteral("a.txt"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write("hello") == 5);
    out.close();
    int32_t retCode = 99;
    if (FAILED(h.Component().FileTransfer(QStringLiteral("10.0.0.2"), file, {}, &retCode))) {
        // The port was free when the harness chose it; another process may have taken it.
        const QString why = TakeErrorInfo().Description;
        if (why.endsWith(QStringLiteral("ERROR = %1").arg(EADDRINUSE)))
            GTEST_SKIP() << "the transfer port " << h.Port + 1 << " was taken meanwhile";
        FAIL() << why.toStdString();
    }
    ASSERT_EQ(retCode, 0);
    const QPointer<QWidget> dialog = FindDialog(QStringLiteral("ファイル送信"));
    ASSERT_NE(dialog, nullptr);
    // The offer's receipt frees the command channel for the stop.
    h.Receive("10.0.0.2", CMD_XML_RECEIPT, "1");
    h.sent.clear();

    EXPECT_EQ(CloseInTheEventLoop(window, h), 0) << "the program waited for the transfer window";
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
    EXPECT_EQ(SentTo(h, "10.0.0.2"),
              (QStringList{"<Command>StopFileTrans</Command>", "broadcast 0x2"}));
    EXPECT_EQ(h.BoxTexts(), QStringList{"かくにん|Palavo XPを終了しますか？"});
}

TEST(ProgramOptions, TheCommandLineIsReadAsDocumented)
{
    struct Case {
        QStringList args;
        ProgramOptions::Action what;
        QString home;
        QStringList qt;
    };
    const Case cases[] = {
        {{}, ProgramOptions::Run, "", {}},
        {{"--help"}, ProgramOptions::ShowHelp, "", {}},
        {{"-h"}, ProgramOptions::ShowHelp, "", {}},
        {{"--version"}, ProgramOptions::ShowVersion, "", {}},
        {{"--home", "/tmp/p"}, ProgramOptions::Run, "/tmp/p", {}},
        {{"--home=/tmp/q", "-platform", "offscreen"},
         ProgramOptions::Run,
         "/tmp/q",
         {"-platform", "offscreen"}},
        {{"--home"}, ProgramOptions::Fail, "", {}},
        {{"--bogus"}, ProgramOptions::Fail, "", {}},
    };
    for (const Case& c : cases) {
        const ProgramOptions options = ParseProgramOptions(c.args);
        EXPECT_EQ(options.What, c.what) << qPrintable(c.args.join(' '));
        EXPECT_EQ(options.Home, c.home) << qPrintable(c.args.join(' '));
        EXPECT_EQ(options.QtArguments, c.qt) << qPrintable(c.args.join(' '));
    }
    EXPECT_EQ(VersionText(), QStringLiteral("PalavoXP " PALAVO_VERSION "\n"));
}

TEST(MainForm, ClosingHidesInTheTrayOnlyWhenChosenAndATrayIsThere)
{
    struct Case {
        bool closeToTray, trayThere, asks;
    };
    for (const Case c :
         {Case{false, true, true}, Case{true, true, false}, Case{true, false, true}}) {
        ControlHarness h;
        HeadlessTray tray(c.trayThere);
        h.RegisterControlClass();
        std::unique_ptr<MainForm> window = h.MakeWindow(&tray);
        window->show();
        h.Choose("MenuEntry");
        h.Ctrl().Session().Settings().setCloseToTray(c.closeToTray);
        h.boxes.QueueAnswer(MessageBoxAnswer::No);
        EXPECT_FALSE(window->close());
        EXPECT_EQ(h.BoxTexts().size(), c.asks ? 1 : 0) << c.closeToTray << c.trayThere;
        EXPECT_EQ(window->isVisible(), c.asks) << c.closeToTray << c.trayThere;
        EXPECT_TRUE(h.Ctrl().EntryState()) << "only quitting leaves the network";
    }
}

TEST(MainForm, TheTrayMenuShowsHidesChoosesPresenceAndQuitsAfterTheQuestion)
{
    ControlHarness h;
    HeadlessTray tray;
    h.RegisterControlClass();
    std::unique_ptr<MainForm> window = h.MakeWindow(&tray);
    window->show();
    ASSERT_NE(tray.Commands(), nullptr);
    ITrayCommands& menu = *tray.Commands();
    menu.TrayPresence(false); // out of the network the selector is disabled
    EXPECT_EQ(tray.Presence, TrayPresence::NotEntered);
    h.Choose("MenuEntry");
    h.TakeBroadcasts();
    menu.TrayPresence(false);
    EXPECT_EQ(tray.Presence, TrayPresence::Absent);
    EXPECT_TRUE(h.Find<QWidget>("cmdLocation")->isEnabled());
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x104 自分[]"});

    menu.TrayShowHide();
    EXPECT_FALSE(window->isVisible() || tray.WindowShown);
    menu.TrayActivated();
    EXPECT_TRUE(window->isVisible() && tray.WindowShown);
    QDialog modal(window.get()); // no question past a dialog still open
    QTimer::singleShot(0, &modal, [&] { menu.TrayQuit(), modal.reject(); });
    modal.exec();
    menu.TrayShowHide(); // quitting works on a hidden window too
    h.boxes.QueueAnswer(MessageBoxAnswer::No);
    menu.TrayQuit();
    EXPECT_TRUE(h.Ctrl().EntryState());
    h.boxes.QueueAnswer(MessageBoxAnswer::Yes);
    menu.TrayQuit();
    EXPECT_EQ(h.BoxTexts(), QStringList(2, "かくにん|Palavo XPを終了しますか？"));
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x2 自分"});
}
