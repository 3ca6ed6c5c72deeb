// palavo-cli: the network component without a window, driven by JSON lines.
#include "CliHost.h"
#include "CliOptions.h"
#include "CliServices.h"
#include "component/PalavoIF.h"
#include "platform/ClassRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop reads the byte and shuts down.
void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

// Each line goes out whole and at once: the reader waits for it.
void WriteOut(const QByteArray& line)
{
    const char* data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // the reader is gone; end of input will follow
        data += n;
        left -= n;
    }
}

bool InstallSignalHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A reader that went away must not kill us before we have said goodbye on the network.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

std::unique_ptr<QObject> CreateComponent(const CliOptions& options,
                                         const PlatformServices& services)
{
    // Shortened waits cannot travel through the class factory, so the test aid builds
    // the object itself; everyone else gets it the way a container would.
    if (options.Timing) {
        PalavoIF::Options componentOptions;
        componentOptions.Timing = *options.Timing;
        return std::make_unique<PalavoIF>(services, std::move(componentOptions));
    }
    ClassRegistry registry;
    PalavoIFModule::DllRegisterServer(registry, services);
    return registry.Create(QStringLiteral("PalavoIF.PalavoIF"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString error;
    bool help = false;
    const std::optional<CliOptions> options =
        ParseCliOptions(app.arguments().mid(1), &error, &help);
    if (help) {
        std::fputs(qPrintable(CliUsage()), stdout);
        return 0;
    }
    if (!options) {
        std::fprintf(stderr, "palavo-cli: %s\n", qPrintable(error));
        return 2;
    }
    // The component reads its settings directory when it is created.
    if (!options->Home.isEmpty()) {
        const QString home = QDir(options->Home).absolutePath();
        QDir().mkpath(home);
        qputenv("PALAVO_HOME", QFile::encodeName(home));
    }
    if (!InstallSignalHandlers()) {
        std::perror("palavo-cli: socketpair");
        return 1;
    }

    // Made first and gone last: the component shows itself through them until it goes.
    CliServices services(WriteOut);
    const std::unique_ptr<QObject> object = CreateComponent(*options, services.Services());
    // The object's interfaces, asked for as a container asks for them.
    auto* component = dynamic_cast<IPalavoIF*>(object.get());
    auto* events = dynamic_cast<IPalavoIFEventSource*>(object.get());
    if (component == nullptr || events == nullptr) {
        std::fputs("palavo-cli: the component class PalavoIF.PalavoIF is not registered\n", stderr);
        return 1;
    }
    CliHost host(*component, *events, services.TransferUi(), WriteOut);

    auto finish = [&] {
        host.Finish();
        app.quit();
    };
    QSocketNotifier signalled(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalled, &QSocketNotifier::activated, finish);

    // Read whatever is there when the notifier fires: one read() never blocks then,
    // and a partial line waits in the host for its rest.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[65536];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0)
            return host.Feed(QByteArrayView(buffer, n));
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        input.setEnabled(false);
        finish();
    });

    host.Ready();
    const int code = app.exec();
    host.Finish(); // in case the loop ended some other way
    return code;
}
