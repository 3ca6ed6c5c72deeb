// palavo-call-host: PalavoXP for the call tests and benches. The program's own window and
// chat control with the real call client, run in a host of the virtual LAN; CallDriver
// takes its commands on stdin and prints what its windows show on stdout. Message boxes
// are printed and answered with their default button, so nothing waits for a person.
// Settings come from PALAVO_HOME; sound from PALAVO_AUDIO_IN/OUT.
#include "CallClients.h"
#include "CallDriver.h"

#include "component/HeadlessTransferViews.h"
#include "host/MainForm.h"
#include "host/TerminationSignals.h"
#include "platform/BeepService.h"
#include "platform/ClassRegistry.h"
#include "platform/MessageBoxService.h"
#include "platform/OpenFileDialogService.h"
#include "platform/PlatformServices.h"
#include "platform/SaveAsDialogService.h"
#include "platform/ShellService.h"
#include "ui/PalavoCtrl.h"
#include "ui/PalavoCtrlModule.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace
{

void WriteOut(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
}

// Boxes as lines, each answered at once with its default button.
class PrintedBoxes : public IMessageBoxService
{
public:
    void SetDriver(CallDriver* driver) { m_driver = driver; }
    MessageBoxAnswer Show(QObject*, const MessageBoxRequest& request) override
    {
        if (m_driver != nullptr)
            m_driver->Print({{"messageBox", request.Text}, {"caption", request.Caption}});
        else
            std::fprintf(stderr, "palavo-call-host: box before start: %s\n",
                         qPrintable(request.Text));
        return DefaultAnswer(request.Buttons);
    }

private:
    CallDriver* m_driver = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    // As the program does: the media probe is forked before QApplication starts threads.
    const std::unique_ptr<CallClients> calls = MakeCallClients();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PalavoXP"));

    PrintedBoxes boxes;
    SilentBeeps beeps;
    CancellingSaveAsDialogs saveAs;
    HeadlessShell shell;
    HeadlessTransferViews views;
    CancellingOpenFileDialogs openFiles;
    NoNotifications notifications;
    const PlatformServices services{boxes, beeps,     saveAs, shell,
                                    views, openFiles, *calls, notifications};
    ClassRegistry registry;
    PalavoCtrlModule::DllRegisterServer(registry, services);

    int rc = 0;
    {
        MainForm window(registry, boxes);
        window.EndProgramOnUnload();
        if (window.PalavoCtrl1() == nullptr) {
            std::fputs("palavo-call-host: the window holds no chat control\n", stderr);
            return 1;
        }
        CallDriver driver(*window.PalavoCtrl1(), *calls, WriteOut);
        boxes.SetDriver(&driver);
        QObject::connect(
            &driver, &CallDriver::QuitRequested, &app, [] { QApplication::exit(0); },
            Qt::QueuedConnection);
        TerminationSignals signals_;
        QObject::connect(&signals_, &TerminationSignals::Terminate, &app,
                         [] { QApplication::exit(0); });
        // The end of the input ends the program, as "quit" does.
        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, [&] {
            char buffer[4096];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n > 0)
                return driver.Feed(QByteArrayView(buffer, n));
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                return;
            input.setEnabled(false);
            QApplication::exit(0);
        });
        window.show();
        driver.Start();
        rc = app.exec();
        boxes.SetDriver(nullptr);
    }
    // The window is gone: the control has left the network and ended its calls, so the
    // recording is complete.
    WriteOut("{\"ended\":true}\n");
    return rc;
}
