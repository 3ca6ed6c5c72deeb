// A private message and its receipt between two components on a virtual LAN, against a
// plain UDP ping-pong over the same link in the same run. The component's round trip
// (send, the peer's socket, dispatcher, handler and receipt, our socket, dispatcher and
// receipt handler) should cost at most 1.3 times the raw one. A third run, the same
// ping-pong with its sockets watched by the event loop, shows what the loop alone adds.
//
// Both sides live in this one process and event loop: each socket is made while the
// creating thread is switched into its host's network namespace, and keeps that
// namespace after the thread switches back. Needs root (tests/e2e/vlan.sh).
#include "component/HeadlessServices.h"
#include "component/PalavoIF.h"
#include "engine/Commands.h"
#include "platform/MessageBoxService.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QSocketNotifier>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const std::string LanName = "pvbench";
const std::string VlanScript = PALAVO_SOURCE_DIR "/tests/e2e/vlan.sh";
constexpr int ChatPort = 2425;
constexpr int RawPort = 3425;

std::string Run(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        pclose(pipe);
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    return output;
}

// Runs `make` with this thread inside host `host` of the LAN; false when the switch fails.
bool InNamespace(int host, const std::function<void()>& make)
{
    const std::string path = "/var/run/netns/" + LanName + "-" + std::to_string(host);
    const int home = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = home >= 0 && target >= 0 && setns(target, CLONE_NEWNET) == 0;
    if (ok) {
        make();
        ok = setns(home, CLONE_NEWNET) == 0;
    }
    if (home >= 0)
        close(home);
    if (target >= 0)
        close(target);
    return ok;
}

// The loop that waits for A's receipt. It blocks in poll as the raw loop does, and
// ends when the receipt reaches A's component window, or when the receipt timer gives
// up and the component shows its notice box instead.
class ReceiptWait : public QObject, public IMessageBoxService
{
public:
    void Run() { m_loop.exec(); }

    MessageBoxAnswer Show(QObject*, const MessageBoxRequest&) override
    {
        ++BoxesShown;
        m_loop.quit();
        return MessageBoxAnswer::Ok;
    }

    int BoxesShown = 0;

protected:
    // Quitting only asks the loop to return: the receipt handler still runs first.
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == WindowMessageType(WM_PACKET_RECEIPT))
            m_loop.quit();
        return false;
    }

private:
    QEventLoop m_loop;
};

struct Lan {
    // Before the components, which show themselves through them until they go.
    ReceiptWait Wait;
    HeadlessServices Headless;
    PlatformServices Services{Wait,           Headless.Beeps,         Headless.SaveAs,
                              Headless.Shell, Headless.TransferViews, Headless.OpenFile,
                              Headless.Calls, Headless.Notifications};
    std::string AddressA, AddressB;
    std::unique_ptr<PalavoIF> A, B;
    int RawA = -1, RawB = -1;
    sockaddr_in RawAddressA{}, RawAddressB{};
};
Lan* g_lan = nullptr;

std::unique_ptr<PalavoIF> Component(const PlatformServices& services, const QString& alias)
{
    PalavoIF::Options options;
    options.DebugFlag = false;
    options.Timing.DropWaitMs = 0;
    auto component = std::make_unique<PalavoIF>(services, std::move(options));
    component->put_PortNo(ChatPort);
    component->put_MyAliase(alias);
    component->put_ApplicationName(QStringLiteral("Palavo XP"));
    component->put_ApplicationVersion(QStringLiteral("bench"));
    component->put_MailAddress(alias + QStringLiteral("@bench"));
    return component;
}

int RawSocket(const std::string& address, sockaddr_in& bound)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    bound = {};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(RawPort);
    inet_pton(AF_INET, address.c_str(), &bound.sin_addr);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0)
        return -1;
    return fd;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Empty text when the LAN is up and both sides know each other; else why not.
std::string SetUp(Lan& lan)
{
    if (std::system((VlanScript + " up " + LanName + " 2").c_str()) != 0)
        return "vlan.sh up failed";
    lan.AddressA = Run(VlanScript + " addr " + LanName + " 1");
    lan.AddressB = Run(VlanScript + " addr " + LanName + " 2");
    lan.A = Component(lan.Services, QStringLiteral("A"));
    lan.B = Component(lan.Services, QStringLiteral("B"));
    HRESULT enteredA = -1, enteredB = -1;
    const bool switched = InNamespace(1,
                                      [&] {
                                          enteredA = lan.A->Entry(1, {});
                                          lan.RawA = RawSocket(lan.AddressA, lan.RawAddressA);
                                      }) &&
                          InNamespace(2, [&] {
                              enteredB = lan.B->Entry(1, {});
                              lan.RawB = RawSocket(lan.AddressB, lan.RawAddressB);
                          });
    if (!switched)
        return "cannot switch this thread's network namespace";
    if (enteredA != S_OK || enteredB != S_OK || lan.RawA < 0 || lan.RawB < 0)
        return "cannot open the sockets inside the namespaces";
    // Entry, application information and mail address both ways: then the line is quiet.
    const QString a = QString::fromStdString(lan.AddressA);
    const QString b = QString::fromStdString(lan.AddressB);
    const bool met = WaitFor(
        [&] {
            QString mailOfB, mailOfA;
            lan.A->GetMailInfo(b, &mailOfB);
            lan.B->GetMailInfo(a, &mailOfA);
            return !mailOfB.isEmpty() && !mailOfA.isEmpty();
        },
        5000);
    if (!met)
        return "the two components did not find each other";
    WaitFor([] { return false; }, 200); // stragglers (our own broadcasts coming back)
    return {};
}

void TearDown(Lan& lan)
{
    if (lan.A)
        lan.A->Drop();
    if (lan.B)
        lan.B->Drop();
    lan.A.reset();
    lan.B.reset();
    if (lan.RawA >= 0)
        close(lan.RawA);
    if (lan.RawB >= 0)
        close(lan.RawB);
    std::system((VlanScript + " down " + LanName).c_str());
}

// Ping from A, pong from B, both answered from one poll loop, as the event loop does.
void BM_RawUdpPingPong(benchmark::State& state)
{
    Lan& lan = *g_lan;
    char ping[48] = "1:101:user:host:288:ping"; // about the size of the message
    char buffer[8192];
    for (auto _ : state) {
        sendto(lan.RawA, ping, sizeof ping, 0, reinterpret_cast<sockaddr*>(&lan.RawAddressB),
               sizeof lan.RawAddressB);
        bool answered = false;
        while (!answered) {
            pollfd fds[2] = {{lan.RawA, POLLIN, 0}, {lan.RawB, POLLIN, 0}};
            if (poll(fds, 2, 3000) <= 0) {
                state.SkipWithError("a datagram was lost");
                return;
            }
            if (fds[1].revents & POLLIN) {
                sockaddr_in from{};
                socklen_t size = sizeof from;
                const ssize_t length = recvfrom(lan.RawB, buffer, sizeof buffer, 0,
                                                reinterpret_cast<sockaddr*>(&from), &size);
                if (length > 0)
                    sendto(lan.RawB, buffer, length, 0, reinterpret_cast<sockaddr*>(&from), size);
            }
            if (fds[0].revents & POLLIN)
                answered = recv(lan.RawA, buffer, sizeof buffer, 0) > 0;
        }
    }
}

// The same ping-pong with the sockets watched by the event loop, as the component's are:
// what the loop itself costs per exchange, without any of our handling.
void BM_EventLoopUdpPingPong(benchmark::State& state)
{
    Lan& lan = *g_lan;
    char ping[48] = "1:101:user:host:288:ping";
    QEventLoop loop;
    QSocketNotifier pong(lan.RawB, QSocketNotifier::Read);
    QObject::connect(&pong, &QSocketNotifier::activated, [&] {
        char buffer[8192];
        sockaddr_in from{};
        socklen_t size = sizeof from;
        const ssize_t length =
            recvfrom(lan.RawB, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
        if (length > 0)
            sendto(lan.RawB, buffer, length, 0, reinterpret_cast<sockaddr*>(&from), size);
    });
    QSocketNotifier answer(lan.RawA, QSocketNotifier::Read);
    QObject::connect(&answer, &QSocketNotifier::activated, [&] {
        char buffer[8192];
        if (recv(lan.RawA, buffer, sizeof buffer, 0) > 0)
            loop.quit();
    });
    for (auto _ : state) {
        sendto(lan.RawA, ping, sizeof ping, 0, reinterpret_cast<sockaddr*>(&lan.RawAddressB),
               sizeof lan.RawAddressB);
        loop.exec();
    }
}

// SendPrivateMessage until the receipt has cleared SendBusy again.
void BM_PrivateMessageToReceipt(benchmark::State& state)
{
    Lan& lan = *g_lan;
    const QString to = QString::fromStdString(lan.AddressB);
    const QString text = QStringLiteral("ping");
    const ProtocolEngine& engine = lan.A->Engine();
    lan.A->installEventFilter(&lan.Wait);
    for (auto _ : state) {
        lan.A->SendPrivateMessage(to, 1, text);
        if (!engine.SendBusy()) {
            state.SkipWithError("the message was not sent");
            break;
        }
        lan.Wait.Run();
        if (engine.SendBusy()) {
            state.SkipWithError("the wait ended before the receipt");
            break;
        }
    }
    lan.A->removeEventFilter(&lan.Wait);
    if (lan.Wait.BoxesShown > 0)
        state.SkipWithError("a receipt was lost (the notice box was shown)");
}

BENCHMARK(BM_RawUdpPingPong)
    ->Iterations(1000)
    ->Repetitions(5)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EventLoopUdpPingPong)
    ->Iterations(1000)
    ->Repetitions(5)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PrivateMessageToReceipt)
    ->Iterations(1000)
    ->Repetitions(5)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// Prints as usual and keeps the medians, for the ratio at the end.
class MedianReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& reports) override
    {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" &&
                !run.error_occurred) {
                Medians[run.run_name.function_name] = run.GetAdjustedRealTime();
                CpuMedians[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
    }

    std::map<std::string, double> Medians;
    // Both sides run on this one thread, so CPU time is the round trip without the
    // waits for a core that a busy machine adds to the wall clock.
    std::map<std::string, double> CpuMedians;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (geteuid() != 0) {
        std::printf("bench_roundtrip: skipped: making network namespaces needs root\n");
        return 0;
    }

    Lan lan;
    g_lan = &lan;
    const std::string problem = SetUp(lan);
    if (!problem.empty()) {
        std::printf("bench_roundtrip: skipped: %s\n", problem.c_str());
        TearDown(lan);
        return 0;
    }
    std::printf("A %s, B %s, both on UDP %d (raw %d)\n", lan.AddressA.c_str(), lan.AddressB.c_str(),
                ChatPort, RawPort);

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    TearDown(lan);

    const auto raw = reporter.Medians.find("BM_RawUdpPingPong");
    const auto looped = reporter.Medians.find("BM_EventLoopUdpPingPong");
    const auto message = reporter.Medians.find("BM_PrivateMessageToReceipt");
    if (raw == reporter.Medians.end() || message == reporter.Medians.end())
        return 0; // filtered out or failed: nothing to compare
    std::printf(
        "median round trip: raw %.1f us, private message %.1f us, ratio %.2f (target 1.3)\n",
        raw->second, message->second, message->second / raw->second);
    std::printf("by CPU time: raw %.1f us, private message %.1f us, ratio %.2f\n",
                reporter.CpuMedians[raw->first], reporter.CpuMedians[message->first],
                reporter.CpuMedians[message->first] / reporter.CpuMedians[raw->first]);
    if (looped != reporter.Medians.end())
        std::printf("against the ping-pong on the event loop (%.1f us): ratio %.2f\n",
                    looped->second, message->second / looped->second);
    return 0;
}
