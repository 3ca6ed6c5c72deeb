// Voice calls between two PalavoXP programs (tests/xpcall's palavo-call-host) on hosts 1
// and 2 of a virtual LAN (tests/e2e/vlan.sh, name "pvcall"), each program its own process
// inside its host with sound from and to files. For each of --runs N calls (default 5;
// fresh programs each time, so every recording starts with the call):
//
//  set-up      from the callee's press of "承諾" (the moment the command is written to
//              it) until both status windows show "通話中です". Target: under 1 s.
//  delay       the caller plays --silence-ms (default 1000) of silence, then a 1 kHz
//              tone. With no delay the tone would start in the callee's recording at
//              silence + (caller connected − callee connected), each side's recording
//              and playing taken to start as its window shows the call connected; the
//              delay is ToneOnsetMs of the recording minus that. Target: under 150 ms.
//              Only as good as the window's view of when media start (the call client
//              turns every 20 ms): read it to ±20 ms.
//  CPU         utime + stime of each program (/proc/PID/stat) over the --talk-ms
//              (default 4000) of the call, as a share of one core; and the same over
//              two seconds before the call (entered, idle) as the baseline. The driver
//              of the tests looks at the windows every 5 ms: that is in both.
//
// --video makes every call a video call with the media library's synthetic camera on
// both sides, drawn on the X display (run under xvfb-run): the CPU then includes video.
//
// Prints each call and the medians. Needs root; without it, without the namespaces, or
// in a build without a call client, it says why and exits 0.
//
//   sudo bench_call [--runs N] [--talk-ms MS] [--silence-ms MS] [--video]
#include "CallCopy.h"
#include "VirtualLan.h"
#include "support/EventWaiter.h"
#include "support/WavTone.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include <unistd.h>

namespace
{

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// CPU seconds the process has used so far (user + system); nothing when it is gone.
std::optional<double> CpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = stat.readAll();
    // The name in parentheses may hold spaces: count the fields after its end.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    const double ticks = fields[11].toDouble() + fields[12].toDouble(); // utime, stime
    return ticks / double(::sysconf(_SC_CLK_TCK));
}

struct Run {
    double SetupMs = 0;
    std::optional<double> DelayMs;
    double CallerCpu = 0; // share of one core
    double CalleeCpu = 0;
    double CallerIdle = 0; // the same before the call
    double CalleeIdle = 0;
};

int IntOption(const QStringList& args, const QString& name, int fallback)
{
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

class Bench
{
public:
    Bench(VirtualLan& lan, const QString& dir, int talkMs, int silenceMs, bool video)
        : m_lan(lan), m_dir(dir), m_talkMs(talkMs), m_silenceMs(silenceMs), m_video(video)
    {
    }

    // One call between fresh programs; nothing (with the reason printed) when it failed.
    std::optional<Run> Call(int index);

private:
    CallSettings Settings(const QString& who, const QString& aliase) const
    {
        CallSettings s;
        s.Aliase = aliase;
        s.AudioIn = m_dir + QStringLiteral("/%1-in.wav").arg(who);
        s.AudioOut = m_dir + QStringLiteral("/%1-out.wav").arg(who);
        if (m_video) {
            s.Media = 3; // voice and video
            s.TestCamera = true;
            s.Platform = QStringLiteral("xcb");
        }
        return s;
    }
    static bool Fail(const char* what, const CallCopy& a, const CallCopy& b)
    {
        std::fprintf(stderr, "bench_call: %s\n%s%s", what, qPrintable(a.Tail()),
                     qPrintable(b.Tail()));
        return false;
    }

    VirtualLan& m_lan;
    QString m_dir;
    int m_talkMs;
    int m_silenceMs;
    bool m_video;
};

std::optional<Run> Bench::Call(int index)
{
    const CallSettings callerSettings =
        Settings(QStringLiteral("caller"), QStringLiteral("山田太郎"));
    const CallSettings calleeSettings = Settings(QStringLiteral("callee"), QStringLiteral("花子"));
    QFile::remove(calleeSettings.AudioOut);
    if (!WriteToneWav(callerSettings.AudioIn, 1000, m_talkMs + 5000, 16000, m_silenceMs) ||
        !WriteToneWav(calleeSettings.AudioIn, 600, m_talkMs + 5000)) {
        std::fprintf(stderr, "bench_call: cannot write the tones in %s\n", qPrintable(m_dir));
        return std::nullopt;
    }
    CallCopy caller(m_lan, 1, callerSettings);
    CallCopy callee(m_lan, 2, calleeSettings);
    QString why;
    if (!caller.WaitStarted(&why) || !callee.WaitStarted(&why) ||
        !caller.WaitForPeer(callee.Address()) || !callee.WaitForPeer(caller.Address())) {
        Fail("the programs did not start and meet", caller, callee);
        return std::nullopt;
    }
    // The same programs idle first (entered, no call), over two seconds: what the call
    // adds is the difference.
    const std::optional<double> callerIdle0 = CpuSeconds(caller.Pid());
    const std::optional<double> calleeIdle0 = CpuSeconds(callee.Pid());
    const qint64 idleFrom = CallCopy::NowNs();
    WaitUntil([] { return false; }, 2000);
    const std::optional<double> callerIdle1 = CpuSeconds(caller.Pid());
    const std::optional<double> calleeIdle1 = CpuSeconds(callee.Pid());
    const double idled = double(CallCopy::NowNs() - idleFrom) / 1e9;
    Run run;
    if (callerIdle0 && callerIdle1 && calleeIdle0 && calleeIdle1) {
        run.CallerIdle = (*callerIdle1 - *callerIdle0) / idled;
        run.CalleeIdle = (*calleeIdle1 - *calleeIdle0) / idled;
    }

    const size_t callerFrom = caller.Lines().size();
    const size_t calleeFrom = callee.Lines().size();
    const QString call = QStringLiteral("call ") + callee.Address() +
                         (m_video ? QStringLiteral(" video") : QString());
    if (!caller.Ask(call).value("ok").toBool() ||
        callee.WaitForText(QStringLiteral("callWindow"),
                           QStringLiteral("音声チャット for 山田太郎"), 5000, calleeFrom) < 0) {
        Fail("the call was not asked for", caller, callee);
        return std::nullopt;
    }
    const qint64 pressed = CallCopy::NowNs();
    callee.Command(QStringLiteral("accept"));
    const QString talking = QStringLiteral("通話中です");
    const int callerUp = caller.WaitForText(QStringLiteral("status"), talking, 10000, callerFrom);
    const int calleeUp = callee.WaitForText(QStringLiteral("status"), talking, 10000, calleeFrom);
    if (callerUp < 0 || calleeUp < 0) {
        Fail("the call did not connect", caller, callee);
        return std::nullopt;
    }
    const qint64 callerAt = caller.At(callerUp).Json.value("atNs").toInteger();
    const qint64 calleeAt = callee.At(calleeUp).Json.value("atNs").toInteger();
    run.SetupMs = double(std::max(callerAt, calleeAt) - pressed) / 1e6;

    const std::optional<double> callerCpu0 = CpuSeconds(caller.Pid());
    const std::optional<double> calleeCpu0 = CpuSeconds(callee.Pid());
    const qint64 talkFrom = CallCopy::NowNs();
    WaitUntil([] { return false; }, m_talkMs);
    const std::optional<double> callerCpu1 = CpuSeconds(caller.Pid());
    const std::optional<double> calleeCpu1 = CpuSeconds(callee.Pid());
    const double talked = double(CallCopy::NowNs() - talkFrom) / 1e9;
    if (callerCpu0 && callerCpu1 && calleeCpu0 && calleeCpu1) {
        run.CallerCpu = (*callerCpu1 - *callerCpu0) / talked;
        run.CalleeCpu = (*calleeCpu1 - *calleeCpu0) / talked;
    }

    caller.Command(QStringLiteral("drop"));
    callee.WaitForText(QStringLiteral("status"), QStringLiteral("相手が切断しました"), 5000,
                       calleeFrom);
    caller.Quit();
    callee.Quit();
    const std::optional<WavSound> heard = ReadWav(calleeSettings.AudioOut);
    const std::optional<double> onset = heard ? ToneOnsetMs(*heard, 1000) : std::nullopt;
    if (onset)
        run.DelayMs = *onset - (m_silenceMs + double(callerAt - calleeAt) / 1e6);
    std::printf(
        "call %d: set-up %.1f ms (caller %+.1f ms, callee %+.1f ms after the press), "
        "delay %s, CPU caller %.1f%% callee %.1f%% (idle before: %.1f%%, %.1f%%)\n",
        index, run.SetupMs, double(callerAt - pressed) / 1e6, double(calleeAt - pressed) / 1e6,
        run.DelayMs ? qPrintable(QStringLiteral("%1 ms").arg(*run.DelayMs, 0, 'f', 1))
                    : (heard ? "(no tone recorded)" : "(no recording)"),
        run.CallerCpu * 100, run.CalleeCpu * 100, run.CallerIdle * 100, run.CalleeIdle * 100);
    std::fflush(stdout);
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = IntOption(args, QStringLiteral("--runs"), 5);
    const int talkMs = IntOption(args, QStringLiteral("--talk-ms"), 4000);
    const int silenceMs = IntOption(args, QStringLiteral("--silence-ms"), 1000);
    const bool video = args.contains(QStringLiteral("--video"));
    if (video && qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::puts("bench_call: --video draws on an X display; run it under xvfb-run");
        return 0;
    }
#if !PALAVO_HAS_CALL_CLIENT
    std::puts("bench_call: this build links no call client (liblinphone); nothing to measure");
    return 0;
#endif
    if (const QString reason = VirtualLan::SkipReason(false); !reason.isEmpty()) {
        std::printf("bench_call: %s\n", qPrintable(reason));
        return 0;
    }
    VirtualLan lan(QStringLiteral("pvcall"));
    QString error;
    if (!lan.Up(2, &error)) {
        std::printf("bench_call: cannot build the LAN: %s\n", qPrintable(error));
        return 0;
    }
    // The sound files in memory where the machine has it, so the disk stays out.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    QTemporaryDir dir(base + QStringLiteral("/pvcall-XXXXXX"));
    Bench bench(lan, dir.path(), talkMs, silenceMs, video);
    std::vector<double> setup, delay, callerCpu, calleeCpu, callerIdle, calleeIdle;
    for (int i = 1; i <= runs; ++i) {
        const std::optional<Run> run = bench.Call(i);
        if (!run)
            continue;
        setup.push_back(run->SetupMs);
        if (run->DelayMs)
            delay.push_back(*run->DelayMs);
        callerCpu.push_back(run->CallerCpu * 100);
        calleeCpu.push_back(run->CalleeCpu * 100);
        callerIdle.push_back(run->CallerIdle * 100);
        calleeIdle.push_back(run->CalleeIdle * 100);
    }
    std::printf("medians of %zu calls: set-up %.1f ms (target < 1000), one-way delay %.1f ms "
                "(%zu measured; target < 150), CPU caller %.1f%% callee %.1f%% of one core "
                "(idle: %.1f%%, %.1f%%)\n",
                setup.size(), Median(setup), Median(delay), delay.size(), Median(callerCpu),
                Median(calleeCpu), Median(callerIdle), Median(calleeIdle));
    return setup.size() == size_t(runs) ? 0 : 1;
}
