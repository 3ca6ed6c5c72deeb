// PalavoXP: the program that gives the chat control its window.
#include "host/MainForm.h"
#include "host/ProgramOptions.h"
#include "host/TerminationSignals.h"
#include "host/TrayIcons.h"
#include "platform/ClassRegistry.h"
#include "platform/HostInfo.h"
#include "platform/PlatformServices.h"
#include "platform/QtMessageBoxService.h"
#include "platform/QtShellService.h"
#include "platform/dbus/DBusNotifications.h"
#include "platform/rtc/LinphoneClients.h"
#include "platform/rtc/ToneBeeps.h"
#include "ui/PalavoCtrlModule.h"
#include "ui/transfer/QtTransferUi.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

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

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PalavoXP"));
    QApplication::setApplicationVersion(QStringLiteral(PALAVO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("palavo-xp"));
    // The desktop's services, handed to everything the program makes; they outlive it.
    QtMessageBoxService messageBoxes;
    QtShellService shell;
    QtTransferUi transferUi; // transfer windows, beep, save-as and file-open dialogs
    // Calls over liblinphone, each client made with the device choice saved in the
    // settings file; the product's beeps are tones on the chosen speaker, or the
    // desktop's beep without one.
    const QString iniPath = QDir(HostInfo::SettingsDir()).filePath(QStringLiteral("Palavo.ini"));
    rtc::LinphoneClients calls(iniPath);
    rtc::ToneBeeps beeps(calls, transferUi, iniPath);
    // On the session bus, under the icon and desktop entry that installing puts in place.
    DBusNotifications notifications(QDBusConnection::sessionBus(), QStringLiteral("palavo-xp"),
                                    QStringLiteral("palavo-xp"));
    // The icon in the desktop's tray (where there is one), shown by the session and
    // answered by the window.
    QtTrayService tray(PaintTrayIcons());
    const PlatformServices services{messageBoxes, beeps, transferUi,    shell, transferUi,
                                    transferUi,   calls, notifications, &tray};

    // What installing the control's library registered on the original platform.
    ClassRegistry registry;
    PalavoCtrlModule::DllRegisterServer(registry, services);

    int rc = 0;
    {
        MainForm window(registry, messageBoxes, &tray);
        window.EndProgramOnUnload();
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
