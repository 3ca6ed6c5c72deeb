// PalavoXP's own window entering a crowded LAN: the window (MainForm with the chat
// control and the network component) made in this process inside the copy's namespace
// of tests/e2e/burstlab.sh, and a crowd of N peers (PeerCrowd) answering its entry all
// at once, then its information and mail requests.
//
// While the burst is handled, a thread posts a click to the window every 5 ms; the
// click is sent to the member list when the event loop gets to it, and its latency is
// the time from the post until the list has handled it. Per run it prints:
//   rows       rows the member list shows, against N
//   t_rows     ms from the entry broadcast reaching the crowd until all N rows are shown
//   click      median, 99th percentile and worst click latency until then and during
//              the information and mail exchanges that follow (one more second); also
//              how much of that wait the GUI thread spent working (its CPU time), and
//              the latency of the same clicks for a second with nothing arriving, as a
//              baseline of what the machine's other work costs
//   peak_rss   this process's VmHWM
//   drops      Udp RcvbufErrors in the copy's namespace during the run
// Target: N of N rows, every click answered within 100 ms. Offscreen unless
// QT_QPA_PLATFORM says otherwise. Needs root; without it, or without namespaces, it
// says why and exits 0.
//
//   sudo bench_burst_xp [--runs R] [--peers N]
#include "BurstLab.h"
#include "NetNamespace.h"
#include "PeerCrowd.h"

#include "client/INIData.h"
#include "ui/MemberListModel.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"
#include "ui/PalavoCtrlModule.h"
#include "host/MainForm.h"
#include "component/HeadlessServices.h"
#include "platform/ClassRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <pthread.h>
#include <unistd.h>

namespace
{

constexpr QEvent::Type ClickType = QEvent::Type(QEvent::User + 77);
constexpr int ClickEveryMs = 5;

int64_t NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5))];
}

// A click posted from another thread, as a click of the window system arrives: it
// waits for the event loop like any other input.
struct ClickEvent : QEvent {
    ClickEvent(int64_t postedNs, int64_t guiCpuNs)
        : QEvent(ClickType), PostedNs(postedNs), GuiCpuNs(guiCpuNs)
    {
    }
    int64_t PostedNs;
    int64_t GuiCpuNs; // the GUI thread's CPU time when the click was posted
};

int64_t CpuNs(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// What clicks waited: wall time, and how much of it the GUI thread was working (the
// rest it was waiting for a core the machine gave to somebody else).
struct Latencies {
    std::vector<double> WallMs, CpuMs;
};

// Takes the posted clicks on the GUI thread, clicks the member list's first row and
// records how long each click waited plus how long the list took to handle it.
class ClickProbe : public QObject
{
public:
    explicit ClickProbe(QWidget* viewport) : m_viewport(viewport) {}
    Latencies* Recording = nullptr;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != ClickType)
            return QObject::event(event);
        const QPointF at(20, 8);
        QMouseEvent press(QEvent::MouseButtonPress, at, m_viewport->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, m_viewport->mapToGlobal(at),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_viewport, &press);
        QApplication::sendEvent(m_viewport, &release);
        const auto* click = static_cast<ClickEvent*>(event);
        if (Recording != nullptr) {
            Recording->WallMs.push_back(double(NowNs() - click->PostedNs) / 1e6);
            Recording->CpuMs.push_back(double(CpuNs(CLOCK_THREAD_CPUTIME_ID) - click->GuiCpuNs) /
                                       1e6);
        }
        return true;
    }

private:
    QWidget* m_viewport;
};

struct Result {
    int Rows = 0;
    double RowsMs = -1;
    Latencies Burst, Quiet;
    long long PeakRssKb = 0;
    long long Drops = 0;
};

UdpCounters CopyCounters(const BurstLab& lab)
{
    NetNamespace inside(lab.CopyNamespace());
    return ReadUdpCounters(QStringLiteral("/proc/thread-self/net/snmp"));
}

bool RunOnce(ClassRegistry& registry, IMessageBoxService& boxes, const BurstLab& lab, int peers,
             Result& result, QString* problem)
{
    QTemporaryDir home;
    qputenv("PALAVO_HOME", home.path().toLocal8Bit());
    const QString user = QStringLiteral("User");
    INIData::WriteIniString(user, QStringLiteral("aliase"), QStringLiteral("パラボ太郎"));
    INIData::WriteIniString(user, QStringLiteral("grouplist"), QStringLiteral("開発部"));
    INIData::WriteIniString(user, QStringLiteral("mailAddress"), QStringLiteral("xp@example.jp"));
    INIData::WriteIniString(user, QStringLiteral("autoEntry"), QStringLiteral("1"));
    PeerCrowd crowd(lab.CrowdNamespace(), peers);
    if (!crowd.WaitListening()) {
        *problem = crowd.Error();
        return false;
    }
    const UdpCounters before = CopyCounters(lab);
    MainForm window(registry, boxes);
    window.resize(900, 600);
    PalavoCtrl& ctrl = *window.PalavoCtrl1();
    const MemberListModel& model = *ctrl.ListView()->Members();
    ClickProbe probe(ctrl.ListView()->viewport());
    {
        // The control reads the local address as it starts and opens its socket at the
        // automatic entry: both inside the copy's namespace.
        NetNamespace inside(lab.CopyNamespace());
        if (!inside.Entered()) {
            *problem = inside.Error();
            return false;
        }
        window.show();
        QElapsedTimer wait;
        wait.start();
        while (!ctrl.EntryState() && wait.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!ctrl.EntryState()) {
            *problem = QStringLiteral("no automatic entry");
            return false;
        }
    }
    probe.Recording = &result.Burst;
    clockid_t guiClock{};
    pthread_getcpuclockid(pthread_self(), &guiClock);
    std::atomic<bool> clicking{true};
    std::thread clicker([&] {
        while (clicking.load()) {
            QCoreApplication::postEvent(&probe, new ClickEvent(NowNs(), CpuNs(guiClock)));
            std::this_thread::sleep_for(std::chrono::milliseconds(ClickEveryMs));
        }
    });
    // Wakes the loop now and then, so the deadline is seen when nothing happens; the
    // loop itself sleeps between events, as the program's does.
    QTimer wake;
    wake.start(20);
    int64_t allRowsNs = 0;
    const int64_t deadline = NowNs() + 20'000'000'000;
    int64_t lastChange = NowNs();
    int lastCount = 0;
    while (NowNs() < deadline) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (model.Count() != lastCount) {
            lastCount = model.Count();
            lastChange = NowNs();
        }
        if (allRowsNs == 0 && model.Count() >= peers + 1) // and our own entry
            allRowsNs = NowNs();
        if (allRowsNs != 0 || NowNs() - lastChange > 3'000'000'000)
            break;
    }
    // Clicks go on while the information and mail exchanges run, and those end
    // before the next run begins.
    const int64_t settle = NowNs() + 1'000'000'000;
    while (NowNs() < settle)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The same clicks on the same machine with nothing arriving: how much of the
    // latency the machine's other work makes.
    probe.Recording = &result.Quiet;
    const int64_t quiet = NowNs() + 1'000'000'000;
    while (NowNs() < quiet)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    probe.Recording = nullptr;
    clicking = false;
    clicker.join();

    result.Rows = 0;
    for (int row = 0; row < model.Count(); ++row)
        result.Rows += model.RowAt(row).Tag.startsWith(QLatin1String("10.77.1")) ||
                       model.RowAt(row).Tag.startsWith(QLatin1String("10.77.2"));
    result.RowsMs = allRowsNs != 0 ? double(allRowsNs - crowd.EntrySeenNs()) / 1e6 : -1;
    result.PeakRssKb = PeakRssKb(getpid());
    result.Drops = CopyCounters(lab).RcvbufErrors - before.RcvbufErrors;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 3, peers = 10000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--peers") == 0)
            peers = std::max(1, std::atoi(argv[i + 1]));
    }
    if (geteuid() != 0) {
        std::printf("bench_burst_xp: skipped: making network namespaces needs root\n");
        return 0;
    }
    if (const QString reason = BurstLab::SkipReason(); !reason.isEmpty()) {
        std::printf("bench_burst_xp: skipped: %s\n", qPrintable(reason));
        return 0;
    }
    BurstLab lab;
    QString problem;
    if (!lab.Up(peers, &problem)) {
        std::printf("bench_burst_xp: skipped: %s\n", qPrintable(problem));
        return 0;
    }
    HeadlessServices services;
    ClassRegistry registry;
    PalavoCtrlModule::DllRegisterServer(registry, services.Services());

    std::printf("%7s %4s %13s %10s %10s %7s   click latency ms: med / p99 / max\n", "peers", "run",
                "rows", "t_rows", "peak_rss", "drops");
    std::vector<double> rowsMs, burstWorst, burstCpuWorst, quietWorst;
    bool allRows = true;
    const auto worst = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    const auto print = [&](const char* what, const std::vector<double>& v) {
        std::printf("%56s %-22s %6.1f / %6.1f / %6.1f\n", "", what, Percentile(v, 0.5),
                    Percentile(v, 0.99), worst(v));
    };
    for (int run = 1; run <= runs; ++run) {
        Result r;
        if (!RunOnce(registry, services.MessageBoxes, lab, peers, r, &problem)) {
            std::printf("bench_burst_xp: run failed: %s\n", qPrintable(problem));
            return 1;
        }
        std::printf("%7d %4d %6d/%-6d %8.0fms %7.1fMB %7lld\n", peers, run, r.Rows, peers, r.RowsMs,
                    r.PeakRssKb / 1024.0, r.Drops);
        print("burst, wall", r.Burst.WallMs);
        print("burst, GUI thread CPU", r.Burst.CpuMs);
        print("quiet, wall", r.Quiet.WallMs);
        std::fflush(stdout);
        rowsMs.push_back(r.RowsMs);
        burstWorst.push_back(worst(r.Burst.WallMs));
        burstCpuWorst.push_back(worst(r.Burst.CpuMs));
        quietWorst.push_back(worst(r.Quiet.WallMs));
        allRows = allRows && r.Rows == peers;
    }
    const double medianWorst = Percentile(burstWorst, 0.5);
    std::printf("%7d  med  t_rows %.0f ms; worst click: burst %.1f ms (GUI thread CPU %.1f ms), "
                "quiet %.1f ms   target %s\n",
                peers, Percentile(rowsMs, 0.5), medianWorst, Percentile(burstCpuWorst, 0.5),
                Percentile(quietWorst, 0.5), allRows && medianWorst < 100 ? "met" : "MISSED");
    return 0;
}
