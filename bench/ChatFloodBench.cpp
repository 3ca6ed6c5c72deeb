// PalavoXP under a flood of long private messages from one member: the program runs
// (offscreen, automatic entry) in host 1 of `tests/e2e/vlan.sh up pvflood 2`; this
// process moves into host 2 and, from a plain UDP socket on the chat port, enters and
// then sends N messages of B bytes each, every one asking for a receipt. At most W wait
// for their receipt at a time (the program answers each), so none is lost in a full
// socket buffer; a receipt that does not come within two seconds is counted as lost.
//
// It prints the program's resident memory (VmRSS) and peak (VmHWM) every tenth of the
// run, then the peak after the last message. Target: peak RSS under 150 MB after
// 100,000 messages of 8 KB: the chat window keeps a bounded tail of the conversation.
// Needs root; without it, or without namespaces, it says why and exits 0.
//
//   sudo bench_chat_flood [--messages N] [--bytes B] [--window W]
// PALAVO_XP_PROGRAM=path runs another build of PalavoXP (an older one, to compare).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <optional>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const QString LanName = QStringLiteral("pvflood");
const QString VlanScript = QStringLiteral(PALAVO_VLAN_SCRIPT);
constexpr int ChatPort = 2425;

struct Options {
    int Messages = 100000;
    int Bytes = 8150; // with the header, the most one datagram of the program's buffer holds
    int Window = 32;
};

std::optional<Options> ParseOptions(const QStringList& args)
{
    Options options;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const int value = args[i + 1].toInt();
        if (args[i] == QLatin1String("--messages"))
            options.Messages = value;
        else if (args[i] == QLatin1String("--bytes"))
            options.Bytes = value;
        else if (args[i] == QLatin1String("--window"))
            options.Window = value;
        else
            return std::nullopt;
    }
    if (args.size() % 2 == 0 || options.Messages <= 0 || options.Bytes <= 0 || options.Window <= 0)
        return std::nullopt;
    return options;
}

bool Vlan(const QStringList& args, QString* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(VlanScript, args);
    const bool ok = process.waitForFinished(60000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output != nullptr)
        *output = QString::fromLocal8Bit(process.readAll());
    return ok;
}

QString HostAddress(int host)
{
    QString address;
    Vlan({QStringLiteral("addr"), LanName, QString::number(host)}, &address);
    return address.trimmed();
}

bool EnterHost(int host)
{
    const QByteArray path = "/var/run/netns/" + LanName.toLatin1() + '-' + QByteArray::number(host);
    const int ns = open(path.constData(), O_RDONLY | O_CLOEXEC);
    const bool inside = ns >= 0 && setns(ns, CLONE_NEWNET) == 0;
    if (ns >= 0)
        close(ns);
    return inside;
}

// "VmRSS" or "VmHWM" of the process, in kB; 0 when it cannot be read.
long StatusKb(qint64 pid, const char* field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').value(0).toLong();
    return 0;
}

class Peer
{
public:
    explicit Peer(const QString& target)
    {
        m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(ChatPort);
        m_bound = m_fd >= 0 && bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
        m_target.sin_family = AF_INET;
        m_target.sin_port = htons(ChatPort);
        inet_pton(AF_INET, target.toLatin1().constData(), &m_target.sin_addr);
    }
    ~Peer() { close(m_fd); }
    bool Bound() const { return m_bound; }

    void Send(uint32_t number, int command, const QByteArray& extra)
    {
        const QByteArray packet = "1:" + QByteArray::number(number) +
                                  ":flood:floodhost:" + QByteArray::number(command) + ':' + extra +
                                  '\0';
        sendto(m_fd, packet.constData(), packet.size(), 0,
               reinterpret_cast<const sockaddr*>(&m_target), sizeof m_target);
    }

    // The command of the next datagram from the program, or -1 after `timeoutMs`.
    int Receive(int timeoutMs)
    {
        pollfd watched{m_fd, POLLIN, 0};
        if (poll(&watched, 1, timeoutMs) <= 0)
            return -1;
        char buffer[9000];
        const ssize_t size = recv(m_fd, buffer, sizeof buffer, 0);
        const QList<QByteArray> fields = QByteArray(buffer, size > 0 ? size : 0).split(':');
        return fields.size() > 4 ? (fields[4].toInt() & 0xff) : 0;
    }

private:
    int m_fd = -1;
    bool m_bound = false;
    sockaddr_in m_target{};
};

int Bench(const Options& options, const QString& home)
{
    QFile ini(QDir(home).filePath(QStringLiteral("Palavo.ini")));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[User]\naliase=flooded\nautoEntry=1\n") < 0)
        return std::printf("bench_chat_flood: cannot write %s\n", qPrintable(ini.fileName())), 1;
    ini.close();

    const QString programAddress = HostAddress(1);
    QProcess program;
    // The offscreen platform says on every message that it cannot raise the window.
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(QProcess::nullDevice());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(VlanScript,
                  {QStringLiteral("exec"), LanName, QStringLiteral("1"),
                   qEnvironmentVariable("PALAVO_XP_PROGRAM", QStringLiteral(PALAVO_XP_PATH)),
                   QStringLiteral("--home"), home});
    if (!program.waitForStarted(10000))
        return std::printf("bench_chat_flood: PalavoXP did not start\n"), 1;
    const qint64 pid = program.processId(); // vlan.sh and ip netns exec both exec

    if (!EnterHost(2))
        return std::printf("bench_chat_flood: cannot move into host 2\n"), 1;
    Peer peer(programAddress);
    if (!peer.Bound())
        return std::printf("bench_chat_flood: no socket on the chat port of host 2\n"), 1;

    // Until the program answers our entry, it has not entered (or not heard us).
    bool answered = false;
    for (int tries = 0; tries < 40 && !answered; ++tries) {
        peer.Send(1, 0x01, "flooder");
        QElapsedTimer wait;
        wait.start();
        while (!answered && wait.elapsed() < 250)
            answered = peer.Receive(50) == 0x03;
    }
    if (!answered)
        return std::printf("bench_chat_flood: PalavoXP never answered the entry\n"), 1;
    const long startKb = StatusKb(pid, "VmRSS:");
    std::printf("PalavoXP pid %lld entered; RSS %ld kB before the flood\n", pid, startKb);

    const QByteArray text(options.Bytes, 'x');
    const int step = std::max(1, options.Messages / 10);
    int outstanding = 0;
    int receipts = 0;
    int lost = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < options.Messages; ++i) {
        peer.Send(1000 + i, 0x20 | 0x100, QByteArray::number(i) + ' ' + text);
        ++outstanding;
        while (outstanding >= options.Window || (i + 1 == options.Messages && outstanding > 0)) {
            const int command = peer.Receive(2000);
            if (command == 0x21) {
                ++receipts;
                --outstanding;
            } else if (command < 0) {
                lost += outstanding;
                outstanding = 0;
            }
        }
        if ((i + 1) % step == 0)
            std::printf("  %7d messages: RSS %7ld kB, peak %7ld kB, %.1f s\n", i + 1,
                        StatusKb(pid, "VmRSS:"), StatusKb(pid, "VmHWM:"), clock.elapsed() / 1000.0);
    }
    const long peakKb = StatusKb(pid, "VmHWM:");
    std::printf("%d messages of %d bytes, %d receipts (%d not answered) in %.1f s\n",
                options.Messages, options.Bytes, receipts, lost, clock.elapsed() / 1000.0);
    std::printf("peak RSS of PalavoXP: %.1f MB (target under 150 MB): %s\n", peakKb / 1024.0,
                peakKb > 0 && peakKb < 150 * 1024 ? "met" : "MISSED");
    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();
    program.waitForFinished(5000);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // progress as it comes, also into a file
    const std::optional<Options> options = ParseOptions(app.arguments());
    if (!options) {
        std::printf("Usage: bench_chat_flood [--messages N] [--bytes B] [--window W]\n");
        return 2;
    }
    if (geteuid() != 0) {
        std::printf("bench_chat_flood: skipped: making network namespaces needs root\n");
        return 0;
    }
    QString output;
    if (!Vlan({QStringLiteral("up"), LanName, QStringLiteral("2")}, &output)) {
        std::printf("bench_chat_flood: skipped: vlan.sh up failed: %s\n", qPrintable(output));
        Vlan({QStringLiteral("down"), LanName});
        return 0;
    }
    int code = 0;
    {
        QTemporaryDir home;
        code = home.isValid() ? Bench(*options, home.path()) : 1;
    }
    Vlan({QStringLiteral("down"), LanName});
    return code;
}
