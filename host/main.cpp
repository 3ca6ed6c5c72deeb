// PalavoXP: the program that gives the chat control its window.
#include "host/MainForm.h"
#include "host/ProgramOptions.h"
#include "host/RunningCopy.h"
#include "host/TerminationSignals.h"
#include "host/TrayIcons.h"
#include "platform/ClassRegistry.h"
#include "platform/HostInfo.h"
#include "platform/PlatformServices.h"
#include "platform/QtMessageBoxService.h"
#include "platform/QtShellService.h"
#include "platform/XdgAutostart.h"
#include "platform/dbus/DBusNotifications.h"
#include "platform/rtc/LazyCallClients.h"
#include "platform/rtc/ToneBeeps.h"
#include "ui/PalavoCtrlModule.h"
#include "ui/transfer/QtTransferUi.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

#include <unistd.h>

namespace
{
// How long a second start waits for the running copy to raise its window; the answer
// normally takes milliseconds.
constexpr int RunningCopyWaitMs = 3000;

// The running executable by the absolute name the user reaches it by: the link on PATH
// (the package's bin/PalavoXP) when it leads here, so that a login entry outlives a move
// of the package's private directory; else the executable itself.
QString ProgramPath()
{
    const QString self = QCoreApplication::applicationFilePath();
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("PalavoXP"));
    if (!onPath.isEmpty() &&
        QFileInfo(onPath).canonicalFilePath() == QFileInfo(self).canonicalFilePath())
        return onPath;
    return self;
}
} // namespace

int main(int argc, char** argv)
{
    // Help and version are answered before Qt looks for a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const ProgramOptions options = ParseProgramOptions(arguments);
    switch (options.What) {
    case ProgramOptions::ShowHelp:
        std::fputs(qPrintable(HelpText()), stdout);
        return 0;
    case ProgramOptions::ShowVersion:
        std::fputs(qPrintable(VersionText()), stdout);
        return 0;
    case ProgramOptions::Fail:
        std::fprintf(stderr, "PalavoXP: %s\n%s", qPrintable(options.Error), qPrintable(HelpText()));
        return 2;
    case ProgramOptions::Run:
        break;
    }
    if (!options.Home.isEmpty()) {
        const QString home = QDir(options.Home).absolutePath();
        QDir().mkpath(home);
        qputenv("PALAVO_HOME", QFile::encodeName(home));
    }

    // Calls over liblinphone, loaded only when first needed; what this machine can carry
    // is asked in a process of its own, forked now, before QApplication starts threads,
    // so that it runs while the window is being made.
    const QString iniPath = QDir(HostInfo::SettingsDir()).filePath(QStringLiteral("Palavo.ini"));
    rtc::LazyCallClients calls(iniPath);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PalavoXP"));
    QApplication::setApplicationVersion(QStringLiteral(PALAVO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("palavo-xp"));

    // One copy per user and settings directory: a second start raises the first's window
    // and ends before it touches the network or the settings.
    RunningCopy runningCopy(
        RunningCopy::PathFor(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
                             getuid(), HostInfo::SettingsDir()));
    if (runningCopy.Claim(RunningCopyWaitMs) == RunningCopy::Second) {
        // For whoever started it from a terminal and sees no new window.
        std::fprintf(stderr, "PalavoXP: already running with %s; its window was raised\n",
                     qPrintable(HostInfo::SettingsDir()));
        return 0;
    }

    // The desktop's services, handed to everything the program makes; they outlive it.
    QtMessageBoxService messageBoxes;
    QtShellService shell;
    QtTransferUi transferUi; // transfer windows, beep, save-as and file-open dialogs
    // Each call client is made with the device choice saved in the settings file; the
    // product's beeps are tones on the chosen speaker, or the desktop's beep without one.
    rtc::ToneBeeps beeps(calls, transferUi, iniPath);
    // On the session bus, under the icon and desktop entry that installing puts in place.
    DBusNotifications notifications(QDBusConnection::sessionBus(), QStringLiteral("palavo-xp"),
                                    QStringLiteral("palavo-xp"));
    // The icon in the desktop's tray (where there is one), shown by the session and
    // answered by the window.
    QtTrayService tray(PaintTrayIcons());
    // The login entry starts this executable with the settings directory the user named,
    // if any; without one it finds the usual place again.
    const QString namedHome = qEnvironmentVariable("PALAVO_HOME");
    XdgAutostart autostart(XdgAutostart::DefaultDir(), ProgramPath(),
                           namedHome.isEmpty() ? QString()
                                               : QDir::cleanPath(QDir(namedHome).absolutePath()));
    const PlatformServices services{messageBoxes,  beeps,      transferUi, shell,
                                    transferUi,    transferUi, calls,
                                    notifications, &tray,      &autostart};

    // What installing the control's library registered on the original platform.
    ClassRegistry registry;
    PalavoCtrlModule::DllRegisterServer(registry, services);

    int rc = 0;
    {
        MainForm window(registry, messageBoxes, &tray);
        window.EndProgramOnUnload();
        QObject::connect(&runningCopy, &RunningCopy::RaiseWanted, &window, &MainForm::ShowAndRaise);
        // A signal ends the program without the question; destroying the window still
        // shuts the control down.
        TerminationSignals signals_;
        QObject::connect(&signals_, &TerminationSignals::Terminate, &app,
                         [] { QApplication::exit(0); });
        window.show();
        rc = app.exec();
    }
    return rc;
}
