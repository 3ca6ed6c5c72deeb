// File transfer throughput between two copies of palavo-cli on a virtual LAN
// (tests/e2e/vlan.sh), all in one run:
//
//  (a) the default mode, paced to one 4096-byte chunk per 30 ms, against the rate that
//      pacing gives (4096 B / 30 ms = 136.5 kB/s). Target: within 15% of it.
//  (b) the fast mode ("OPTION"/"fastTransfer" = 1 in Palavo.ini) against a plain TCP
//      copy of the same file between the same two hosts: blocking reads and writes of
//      128 KiB, file to socket to file, as a copy tool does. Target: at least 80% of it.
//      The fast and the plain runs take turns, so a busy moment hurts both alike.
//  (c) a small file (--small-bytes, 100 KiB) in both modes: the fast mode must not be
//      paced, so its time is a small part of the default mode's (about 25 passes of
//      30 ms). Target: a ratio of the medians below 1.
//
// A transfer is timed at the receiver, from the press of "受信・保存" to its completion
// beep; the plain copy from its connect to the last byte written. Files live in
// /dev/shm where it exists, so the disk stays out of both. Each figure is a median:
// of --runs N (default 3) transfers of --paced-bytes (1,000,000) in the default mode,
// of --fast-runs N (default 5) transfers of --fast-bytes (512 MiB) in the fast mode,
// of --runs N transfers of --small-bytes in each mode for (c).
// Needs root; without it, or without the namespaces, it says why and exits 0.
//
//   sudo bench_transfer [--runs N] [--fast-runs N] [--paced-bytes B] [--fast-bytes B]
//                       [--small-bytes B]
#include "CliCopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const QString LanName = QStringLiteral("pvxfer");
const QString VlanScript = QStringLiteral(PALAVO_SOURCE_DIR "/tests/e2e/vlan.sh");
constexpr double PacedRate = 4096 / 0.030; // bytes a second
constexpr int PlainPort = 3426;
constexpr size_t PlainBlock = 128 * 1024;

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

bool Vlan(const QStringList& args, QString* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("/bin/bash"), QStringList{VlanScript} + args);
    const bool ok = process.waitForFinished(30000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output != nullptr)
        *output = QString::fromUtf8(process.readAll()).trimmed();
    return ok;
}

bool WriteRandomFile(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(12345);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 left = size; left > 0; left -= block.size()) {
        random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        if (file.write(block.constData(), std::min<qint64>(left, block.size())) < 0)
            return false;
    }
    return true;
}

bool SameContent(const QString& a, const QString& b)
{
    QFile one(a), two(b);
    if (!one.open(QIODevice::ReadOnly) || !two.open(QIODevice::ReadOnly) ||
        one.size() != two.size())
        return false;
    std::vector<char> x(1 << 20), y(1 << 20);
    for (;;) {
        const qint64 got = one.read(x.data(), qint64(x.size()));
        if (got != two.read(y.data(), qint64(y.size())) || got < 0)
            return false;
        if (got == 0)
            return true;
        if (std::memcmp(x.data(), y.data(), size_t(got)) != 0)
            return false;
    }
}

// Two copies on hosts 1 and 2 that know each other as product peers.
struct Pair {
    QTemporaryDir SenderHome, ReceiverHome;
    std::unique_ptr<CliCopy> Sender, Receiver;
    QString SenderAddress, ReceiverAddress;
};

std::unique_ptr<CliCopy> StartCopy(int host, const QString& home, const QString& alias,
                                   QString* problem)
{
    auto copy = std::make_unique<CliCopy>(
        QStringLiteral("/bin/bash"),
        QStringList{VlanScript, QStringLiteral("exec"), LanName, QString::number(host),
                    QStringLiteral(PALAVO_CLI_PATH), QStringLiteral("--home"), home});
    if (!copy->WaitReady()) {
        *problem = QStringLiteral("palavo-cli did not start on host %1").arg(host);
        return nullptr;
    }
    const std::pair<const char*, QJsonValue> settings[] = {
        {"MyAliase", alias},
        {"ApplicationName", "Palavo XP"},
        {"ApplicationVersion", "1.0"},
        {"PortNo", 2425},
    };
    for (const auto& [name, value] : settings)
        copy->Request({{"set", name}, {"value", value}});
    if (!copy->Request({{"call", "Entry"}, {"args", QJsonArray{1, ""}}})["ok"].toBool()) {
        *problem = QStringLiteral("Entry failed on host %1").arg(host);
        return nullptr;
    }
    return copy;
}

// True once `at` knows `other` with its application information.
bool Knows(CliCopy& at, const QString& other)
{
    for (int i = 0; i < 100; ++i) {
        const QJsonObject answer =
            at.Request({{"call", "GetAppInfo"}, {"args", QJsonArray{other}}});
        if (answer["result"].toString().contains(QLatin1String("Pala")))
            return true;
        at.WaitFor([](const QJsonObject&) { return false; }, 50);
    }
    return false;
}

std::unique_ptr<Pair> StartPair(bool fast, QString* problem)
{
    auto pair = std::make_unique<Pair>();
    if (fast) {
        for (QTemporaryDir* home : {&pair->SenderHome, &pair->ReceiverHome}) {
            QFile ini(QDir(home->path()).filePath(QStringLiteral("Palavo.ini")));
            if (!ini.open(QIODevice::WriteOnly) || ini.write("[OPTION]\nfastTransfer=1\n") < 0) {
                *problem = QStringLiteral("cannot write Palavo.ini");
                return nullptr;
            }
        }
    }
    Vlan({QStringLiteral("addr"), LanName, QStringLiteral("1")}, &pair->SenderAddress);
    Vlan({QStringLiteral("addr"), LanName, QStringLiteral("2")}, &pair->ReceiverAddress);
    pair->Sender = StartCopy(1, pair->SenderHome.path(), QStringLiteral("送り手"), problem);
    if (pair->Sender)
        pair->Receiver = StartCopy(2, pair->ReceiverHome.path(), QStringLiteral("受け手"), problem);
    if (!pair->Receiver)
        return nullptr;
    if (!Knows(*pair->Sender, pair->ReceiverAddress) ||
        !Knows(*pair->Receiver, pair->SenderAddress)) {
        *problem = QStringLiteral("the two copies did not find each other");
        return nullptr;
    }
    return pair;
}

bool IsWindow(const QJsonObject& line, const char* window, bool visible)
{
    return line.value("window").toString() == QLatin1String(window) &&
           line.value("state").toObject().value("visible").toBool() == visible;
}

// One whole transfer through the two windows; its seconds at the receiver, or nothing.
std::optional<double> ProductTransfer(Pair& pair, const QString& source, const QString& target,
                                      int timeoutMs)
{
    // Freeing the last run's pages is no part of this one.
    QFile::remove(target);
    const QJsonObject offered = pair.Sender->Request(
        {{"call", "FileTransfer"}, {"args", QJsonArray{pair.ReceiverAddress, source, "bench"}}});
    if (offered["result"].toInt(-1) != 0 ||
        !pair.Receiver->WaitFor(
            [](const QJsonObject& l) { return IsWindow(l, "FileReceiveWindow", true); }, 5000)) {
        std::printf("  the offer did not arrive:\n%s%s", qPrintable(pair.Sender->Tail()),
                    qPrintable(pair.Receiver->Tail()));
        return std::nullopt;
    }
    const qint64 pressed = pair.Receiver->Send(
        {{"press", "FileReceiveWindow"}, {"button", "受信・保存"}, {"savePath", target}});
    const QJsonObject doneBeep{{"beep", QJsonObject{{"frequency", 2000}, {"duration", 1000}}}};
    const auto done =
        pair.Receiver->WaitFor([&](const QJsonObject& l) { return l == doneBeep; }, timeoutMs);
    const bool closed =
        pair.Sender
            ->WaitFor([](const QJsonObject& l) { return IsWindow(l, "FileSendWindow", false); },
                      10000)
            .has_value();
    pair.Receiver->Request({{"press", "FileReceiveWindow"}, {"button", "閉じる"}});
    if (!done || !closed) {
        std::printf("  the transfer did not finish:\n%s%s", qPrintable(pair.Sender->Tail()),
                    qPrintable(pair.Receiver->Tail()));
        return std::nullopt;
    }
    return double(done->AtNs - pressed) / 1e9;
}

// Runs `work` on a new thread that has moved into host `host`'s network namespace.
std::thread InHost(int host, std::function<void(bool inside)> work)
{
    return std::thread([host, work = std::move(work)] {
        const QByteArray path =
            "/var/run/netns/" + LanName.toLatin1() + '-' + QByteArray::number(host);
        const int ns = open(path.constData(), O_RDONLY | O_CLOEXEC);
        const bool inside = ns >= 0 && setns(ns, CLONE_NEWNET) == 0;
        if (ns >= 0)
            close(ns);
        work(inside);
    });
}

bool SendAll(int socket, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t sent = send(socket, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= size_t(sent);
    }
    return true;
}

// The plain copy: host 1 serves the file on one connection, host 2 writes what comes.
std::optional<double> PlainTransfer(const QString& senderAddress, const QString& source,
                                    const QString& target)
{
    QFile::remove(target);
    std::promise<bool> listening;
    std::future<bool> ready = listening.get_future();
    std::atomic<int> serverSocket{-1};
    bool served = false;
    std::thread sender = InHost(1, [&](bool inside) {
        const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        serverSocket = server;
        const int one = 1;
        setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(PlainPort);
        const bool ok = inside && server >= 0 &&
                        bind(server, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0 &&
                        listen(server, 1) == 0;
        listening.set_value(ok);
        const int connection = ok ? accept(server, nullptr, nullptr) : -1;
        if (server >= 0)
            close(server);
        const int file = open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
        std::vector<char> block(PlainBlock);
        served = connection >= 0 && file >= 0;
        for (ssize_t got; served && (got = read(file, block.data(), block.size())) != 0;)
            served = got > 0 && SendAll(connection, block.data(), size_t(got));
        if (file >= 0)
            close(file);
        if (connection >= 0)
            close(connection);
    });
    if (!ready.get()) {
        sender.join();
        return std::nullopt;
    }
    double seconds = -1;
    std::thread receiver = InHost(2, [&](bool inside) {
        const qint64 start = CliCopy::NowNs();
        const int connection = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(PlainPort);
        inet_pton(AF_INET, senderAddress.toLatin1().constData(), &to.sin_addr);
        if (!inside || connection < 0 ||
            connect(connection, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            if (connection >= 0)
                close(connection);
            return;
        }
        const int file = open(QFile::encodeName(target).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        std::vector<char> block(PlainBlock);
        bool ok = file >= 0;
        for (ssize_t got; ok && (got = recv(connection, block.data(), block.size(), 0)) != 0;)
            ok = got > 0 && write(file, block.data(), size_t(got)) == got;
        if (file >= 0)
            close(file);
        close(connection);
        if (ok)
            seconds = double(CliCopy::NowNs() - start) / 1e9;
    });
    receiver.join();
    if (seconds < 0 && serverSocket >= 0)
        shutdown(serverSocket, SHUT_RDWR); // never connected: wakes the waiting accept
    sender.join();
    if (!served || seconds < 0)
        return std::nullopt;
    return seconds;
}

struct Options {
    int Runs = 3;
    int FastRuns = 5;
    qint64 PacedBytes = 1'000'000;
    qint64 FastBytes = 512LL << 20;
    qint64 SmallBytes = 100 * 1024;
};

std::optional<Options> ParseOptions(const QStringList& args)
{
    Options options;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        bool ok = i + 1 < args.size();
        const qint64 value = ok ? args[++i].toLongLong(&ok) : 0;
        if (!ok || value <= 0)
            return std::nullopt;
        if (arg == QLatin1String("--runs"))
            options.Runs = int(value);
        else if (arg == QLatin1String("--fast-runs"))
            options.FastRuns = int(value);
        else if (arg == QLatin1String("--paced-bytes"))
            options.PacedBytes = value;
        else if (arg == QLatin1String("--fast-bytes"))
            options.FastBytes = value;
        else if (arg == QLatin1String("--small-bytes"))
            options.SmallBytes = value;
        else
            return std::nullopt;
    }
    return options;
}

int Bench(const Options& options, const QString& work)
{
    const QString pacedSource = QDir(work).filePath(QStringLiteral("paced.bin"));
    const QString fastSource = QDir(work).filePath(QStringLiteral("fast.bin"));
    const QString smallSource = QDir(work).filePath(QStringLiteral("small.bin"));
    const QString target = QDir(work).filePath(QStringLiteral("received.bin"));
    if (!WriteRandomFile(pacedSource, options.PacedBytes) ||
        !WriteRandomFile(fastSource, options.FastBytes) ||
        !WriteRandomFile(smallSource, options.SmallBytes)) {
        std::printf("bench_transfer: skipped: cannot write the files in %s\n", qPrintable(work));
        return 0;
    }
    QString problem;
    // Ten seconds to start, then no slower than half the paced rate (the default mode)
    // or a megabyte a second (the fast mode).
    const auto timeout = [](qint64 bytes, double slowest) {
        return int(std::min(double(bytes) / slowest * 1000, 3.6e6)) + 10000;
    };

    // (c): seconds for the small file, `runs` times on `pair`.
    const auto smallRuns = [&](Pair& pair, const char* mode, std::vector<double>& seconds) {
        for (int run = 0; run < options.Runs; ++run) {
            const std::optional<double> time = ProductTransfer(
                pair, smallSource, target, timeout(options.SmallBytes, PacedRate / 2));
            if (!time || !SameContent(smallSource, target))
                return;
            seconds.push_back(*time);
            std::printf("%s, small file, run %d: %lld bytes in %.1f ms\n", mode, run + 1,
                        options.SmallBytes, *time * 1000);
        }
    };

    std::vector<double> paced, smallPaced, smallFast;
    if (auto pair = StartPair(false, &problem)) {
        smallRuns(*pair, "default mode", smallPaced);
        for (int run = 0; run < options.Runs; ++run) {
            const std::optional<double> seconds = ProductTransfer(
                *pair, pacedSource, target, timeout(options.PacedBytes, PacedRate / 2));
            if (!seconds || !SameContent(pacedSource, target))
                break;
            paced.push_back(double(options.PacedBytes) / *seconds);
            std::printf("default mode, run %d: %lld bytes in %.3f s, %.1f kB/s\n", run + 1,
                        options.PacedBytes, *seconds, paced.back() / 1000);
        }
    }
    std::vector<double> fast, plain;
    if (auto pair = StartPair(true, &problem)) {
        smallRuns(*pair, "fast mode", smallFast);
        for (int run = 0; run < options.FastRuns; ++run) {
            const std::optional<double> product =
                ProductTransfer(*pair, fastSource, target, timeout(options.FastBytes, 1e6));
            if (!product || !SameContent(fastSource, target))
                break;
            fast.push_back(double(options.FastBytes) / *product);
            const std::optional<double> copy =
                PlainTransfer(pair->SenderAddress, fastSource, target);
            if (!copy || !SameContent(fastSource, target))
                break;
            plain.push_back(double(options.FastBytes) / *copy);
            std::printf("fast mode, run %d: %lld bytes in %.3f s, %.1f MB/s; plain TCP copy "
                        "%.3f s, %.1f MB/s\n",
                        run + 1, options.FastBytes, *product, fast.back() / 1e6, *copy,
                        plain.back() / 1e6);
        }
    }
    if (!problem.isEmpty())
        std::printf("bench_transfer: %s\n", qPrintable(problem));

    if (!paced.empty()) {
        const double ratio = Median(paced) / PacedRate;
        std::printf("default mode: median %.1f kB/s of the %.1f kB/s the pacing gives, "
                    "ratio %.3f (target 0.85 to 1.15): %s\n",
                    Median(paced) / 1000, PacedRate / 1000, ratio,
                    ratio >= 0.85 && ratio <= 1.15 ? "met" : "MISSED");
    }
    if (!fast.empty() && fast.size() == plain.size()) {
        const double ratio = Median(fast) / Median(plain);
        std::printf("fast mode: median %.1f MB/s against a plain TCP copy's %.1f MB/s, "
                    "ratio %.3f (target at least 0.80): %s\n",
                    Median(fast) / 1e6, Median(plain) / 1e6, ratio,
                    ratio >= 0.80 ? "met" : "MISSED");
    }
    if (!smallPaced.empty() && !smallFast.empty()) {
        const double ratio = Median(smallFast) / Median(smallPaced);
        std::printf("small file: fast mode median %.1f ms against the default mode's %.1f ms, "
                    "ratio %.3f (target below 1: the fast mode is not paced): %s\n",
                    Median(smallFast) * 1000, Median(smallPaced) * 1000, ratio,
                    ratio < 1 ? "met" : "MISSED");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = ParseOptions(app.arguments());
    if (!options) {
        std::printf("Usage: bench_transfer [--runs N] [--fast-runs N] [--paced-bytes B] "
                    "[--fast-bytes B] [--small-bytes B]\n");
        return 2;
    }
    if (geteuid() != 0) {
        std::printf("bench_transfer: skipped: making network namespaces needs root\n");
        return 0;
    }
    QString output;
    if (!Vlan({QStringLiteral("up"), LanName, QStringLiteral("2")}, &output)) {
        std::printf("bench_transfer: skipped: vlan.sh up failed: %s\n", qPrintable(output));
        Vlan({QStringLiteral("down"), LanName});
        return 0;
    }
    // tmpfs where there is one: the disk would measure itself, not the transfer.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    int code = 0;
    {
        QTemporaryDir work(base + QStringLiteral("/bench_transfer-XXXXXX"));
        code = work.isValid() ? Bench(*options, work.path()) : 0;
        if (!work.isValid())
            std::printf("bench_transfer: skipped: no working folder in %s\n", qPrintable(base));
    }
    Vlan({QStringLiteral("down"), LanName});
    return code;
}
