// PalavoXP's start-up and a big member list, timed as a person would feel them:
//
//  (a) from the spawn of a fresh process (no settings file, so no entry) to the first
//      paint of the main window, over several processes. The parent reads the
//      monotonic clock just before it starts the child and hands the reading over in
//      the environment; the child reads the same clock once its window has painted.
//      The child also tells where the time went: until the application object exists,
//      until the window with its control exists, until the first paint.
//  (b) 5,000 members arriving as the bridge reports them (OnAddMember one by one) until
//      the list shows them and has painted; and the same 5,000 listed again when the
//      group filter goes back to "すべて". Target for (b): under half a second.
//
//  (c) with --idle-rss: the program itself (PalavoXP beside this bench, or --program), entered, voice
//      chat on (sound files in place of a sound card, so the call manager is set up as on
//      a machine with one), no call, a few seconds after entry: its resident memory, split
//      into anonymous and file-backed pages, and whether the media library is loaded.
//  With --calls, (a) runs with the program's call clients (the media probe included).
//
// A plain timed program, run by hand:
//     bench_startup [--runs N] [--calls] [--idle-rss [--program <another PalavoXP>]]
// Offscreen unless QT_QPA_PLATFORM says otherwise.
#include "client/INIData.h"
#include "component/HeadlessServices.h"
#include "host/MainForm.h"
#include "platform/ClassRegistry.h"
#include "platform/rtc/LazyCallClients.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"
#include "ui/PalavoCtrlModule.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

namespace
{

constexpr const char* ChildFlag = "--window-child";
constexpr const char* CallsFlag = "--calls";
constexpr const char* SpawnedAtVariable = "PALAVO_BENCH_SPAWNED_NS";
constexpr int Members = 5000;
constexpr double TargetMs = 500.0;

qint64 MonotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double Ms(qint64 ns)
{
    return double(ns) / 1e6;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Calls `then` once, right after the first paint of `widget` has been flushed.
class FirstPaint : public QObject
{
public:
    FirstPaint(QWidget& widget, std::function<void()> then) : m_then(std::move(then))
    {
        widget.installEventFilter(this);
    }
    bool Seen() const { return m_seen; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // The paint runs after this filter; the zero timer fires once it is done.
            QTimer::singleShot(0, this, m_then);
        }
        return false;
    }

private:
    std::function<void()> m_then;
    bool m_seen = false;
};

// ---- (a) one fresh start, in the child ---------------------------------------------

// The offscreen platform warns about window hints it cannot honour, once a start.
void QuietHints(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.contains(QLatin1String("propagateSizeHints")))
        qt_message_output(type, context, text);
}

int RunChild(int argc, char** argv)
{
    // Run by hand without the parent, the clock starts here.
    const qint64 spawned = qEnvironmentVariableIsSet(SpawnedAtVariable)
                               ? qgetenv(SpawnedAtVariable).toLongLong()
                               : MonotonicNs();
    qInstallMessageHandler(QuietHints);
    // As the program makes them: before QApplication, which the media probe must precede.
    std::unique_ptr<rtc::LazyCallClients> calls;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], CallsFlag) == 0)
            calls = std::make_unique<rtc::LazyCallClients>(
                QDir(qEnvironmentVariable("PALAVO_HOME")).filePath(QStringLiteral("Palavo.ini")));
    QApplication app(argc, argv);
    const qint64 appReady = MonotonicNs();
    HeadlessServices services;
    PlatformServices platform = services.Services();
    ClassRegistry registry;
    PalavoCtrlModule::DllRegisterServer(
        registry, calls ? PlatformServices{platform.MessageBoxes, platform.Beeps,
                                           platform.SaveAs,       platform.Shell,
                                           platform.TransferViews, platform.OpenFile, *calls,
                                           platform.Notifications}
                        : platform);

    MainForm window(registry, services.MessageBoxes);
    const qint64 formReady = MonotonicNs();
    FirstPaint painted(window, [&] {
        const qint64 shown = MonotonicNs();
        std::printf("%.3f %.3f %.3f %.3f\n", Ms(shown - spawned), Ms(appReady - spawned),
                    Ms(formReady - appReady), Ms(shown - formReady));
        std::fflush(stdout);
        QApplication::quit();
    });
    window.show();
    // A window that never paints must not hang the bench.
    QTimer::singleShot(10000, &app, [] { QApplication::exit(1); });
    return app.exec();
}

struct StartTimes {
    std::vector<double> total, app, form, paint;
};

bool RunOneStart(const QString& self, bool withCalls, StartTimes& times)
{
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PALAVO_HOME"), home.path());
    QProcess child;
    child.setProgram(self);
    child.setArguments(withCalls ? QStringList{QString::fromLatin1(ChildFlag),
                                               QString::fromLatin1(CallsFlag)}
                                 : QStringList{QString::fromLatin1(ChildFlag)});
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    env.insert(QString::fromLatin1(SpawnedAtVariable), QString::number(MonotonicNs()));
    child.setProcessEnvironment(env);
    child.start();
    if (!child.waitForFinished(20000) || child.exitCode() != 0) {
        std::fprintf(stderr, "bench_startup: a child did not show its window\n");
        return false;
    }
    double total = 0, app = 0, form = 0, paint = 0;
    if (std::sscanf(child.readAllStandardOutput().constData(), "%lf %lf %lf %lf", &total, &app,
                    &form, &paint) != 4)
        return false;
    times.total.push_back(total);
    times.app.push_back(app);
    times.form.push_back(form);
    times.paint.push_back(paint);
    return true;
}

// ---- (b) 5,000 members, in this process --------------------------------------------

struct MemberArgs {
    QString Address, Aliase, Location, Host, User, Groups;
    bool Present;
};

std::vector<MemberArgs> ManyMembers()
{
    std::vector<MemberArgs> members;
    members.reserve(Members);
    for (int i = 0; i < Members; ++i) {
        const bool present = i % 7 != 0;
        members.push_back(
            {QStringLiteral("10.%1.%2.%3").arg(1 + i / 65536).arg(i / 256 % 256).arg(i % 256),
             QStringLiteral("メンバ%1").arg(i, 4, 10, QLatin1Char('0')),
             present ? QString() : QStringLiteral("会議中"), QStringLiteral("pc%1").arg(i),
             QStringLiteral("user%1").arg(i),
             i % 2 ? QStringLiteral("営業部") : QStringLiteral("開発部,営業部"), present});
    }
    return members;
}

struct ListTimes {
    std::vector<double> add, relist;
};

bool RunOneList(ClassRegistry& registry, IMessageBoxService& boxes,
                const std::vector<MemberArgs>& members, ListTimes& times)
{
    QTemporaryDir home;
    qputenv("PALAVO_HOME", home.path().toLocal8Bit());
    INIData::WriteIniString(QStringLiteral("User"), QStringLiteral("grouplist"),
                            QStringLiteral("開発部,営業部"));
    MainForm window(registry, boxes);
    PalavoCtrl& ctrl = *window.PalavoCtrl1();
    bool ready = false;
    FirstPaint painted(window, [&] { ready = true; });
    window.show();
    QElapsedTimer wait;
    wait.start();
    while (!ready && wait.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!ready)
        return false;

    QElapsedTimer clock;
    clock.start();
    IControlFormEvents& bridge = ctrl.Session();
    for (const MemberArgs& m : members)
        bridge.OnAddMember(m.Address, 2425, m.Present, m.Location, m.Aliase, m.Host, m.User,
                           m.Groups);
    // Whatever the view deferred (layout, scroll range) runs now, then it paints.
    QApplication::processEvents();
    window.repaint();
    const qint64 added = clock.nsecsElapsed();
    if (ctrl.ListView()->model()->rowCount() != Members)
        return false;

    ctrl.SelectGroupFilter(QStringLiteral("開発部"));
    QApplication::processEvents();
    window.repaint();
    clock.restart();
    ctrl.SelectGroupFilter(PalavoCtrl::AllGroups());
    QApplication::processEvents();
    window.repaint();
    const qint64 relisted = clock.nsecsElapsed();
    if (ctrl.ListView()->model()->rowCount() != Members)
        return false;

    times.add.push_back(Ms(added));
    times.relist.push_back(Ms(relisted));
    return true;
}

void PrintRow(const char* what, const std::vector<double>& values, const char* unit = "ms")
{
    std::printf("  %-44s %9.1f %s  (min %.1f, max %.1f)\n", what, Median(values), unit,
                *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()));
}

// ---- (c) the program's idle memory ----------------------------------------------------

struct IdleMemory {
    std::vector<double> total, anon, file;
    int withMediaLibrary = 0;
};

int FreeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(fd);
    return ok ? ntohs(address.sin_port) : 0;
}

// A second of 16-bit mono silence: what the calls would play in place of a microphone.
QByteArray SilenceWav()
{
    const int bytes = 2 * 8000;
    auto le = [](QByteArray& out, uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            out.append(char((value >> (8 * i)) & 0xff));
    };
    QByteArray wav("RIFF");
    le(wav, 36 + bytes, 4);
    wav.append("WAVEfmt ");
    for (uint32_t v : {16u, 1u | (1u << 16), 8000u, 16000u, 2u | (16u << 16)})
        le(wav, v, 4);
    wav.append("data");
    le(wav, bytes, 4);
    wav.append(bytes, '\0');
    return wav;
}

// "VmRSS:    38944 kB" → 38944 / 1024 MB.
double StatusMb(const QByteArray& status, const char* key)
{
    const qsizetype at = status.indexOf(key);
    if (at < 0)
        return 0;
    return status.mid(at + qsizetype(std::strlen(key))).trimmed().split(' ').value(0).toDouble() /
           1024.0;
}

bool RunOneIdle(const QString& program, int settleMs, IdleMemory& memory)
{
    QTemporaryDir home;
    QFile ini(home.filePath(QStringLiteral("Palavo.ini")));
    QFile silence(home.filePath(QStringLiteral("in.wav")));
    if (!ini.open(QIODevice::WriteOnly) || !silence.open(QIODevice::WriteOnly))
        return false;
    ini.write(QStringLiteral("[CHAT]\nport=%1\n[User]\naliase=bench\nautoEntry=1\n"
                             "[OPTION]\ndebug=1\n")
                  .arg(FreeUdpPort())
                  .toUtf8());
    ini.close();
    silence.write(SilenceWav());
    silence.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PALAVO_HOME"), home.path());
    env.insert(QStringLiteral("PALAVO_AUDIO_IN"), silence.fileName());
    env.insert(QStringLiteral("PALAVO_AUDIO_OUT"), home.filePath(QStringLiteral("out.wav")));
    QProcess child;
    child.setProgram(program);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start();
    if (!child.waitForStarted(5000))
        return false;
    // Entry and the call manager's set-up are done when the trace says so.
    QFile trace(home.filePath(QStringLiteral("Palavo.log")));
    QElapsedTimer wait;
    wait.start();
    bool ready = false;
    while (!ready && wait.elapsed() < 15000 && child.state() == QProcess::Running) {
        QThread::msleep(50);
        if (trace.open(QIODevice::ReadOnly)) {
            ready = trace.readAll().contains("RTC_Initialized(MediaTypes=3)");
            trace.close();
        }
    }
    bool ok = false;
    if (ready) {
        QThread::msleep(settleMs);
        const QString proc = QStringLiteral("/proc/%1/").arg(child.processId());
        QFile status(proc + QStringLiteral("status"));
        QFile maps(proc + QStringLiteral("maps"));
        if (status.open(QIODevice::ReadOnly) && maps.open(QIODevice::ReadOnly)) {
            const QByteArray text = status.readAll();
            memory.total.push_back(StatusMb(text, "VmRSS:"));
            memory.anon.push_back(StatusMb(text, "RssAnon:"));
            memory.file.push_back(StatusMb(text, "RssFile:"));
            if (maps.readAll().contains("liblinphone"))
                ++memory.withMediaLibrary;
            ok = true;
        }
    } else {
        std::fprintf(stderr, "bench_startup: PalavoXP did not enter with voice chat on\n");
    }
    child.kill();
    child.waitForFinished(5000);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], ChildFlag) == 0)
            return RunChild(argc, argv);
    int runs = 10;
    bool withCalls = false;
    bool idleRss = false;
    QString program;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc)
            program = QString::fromLocal8Bit(argv[i + 1]);
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[i + 1]));
        withCalls = withCalls || std::strcmp(argv[i], CallsFlag) == 0;
        idleRss = idleRss || std::strcmp(argv[i], "--idle-rss") == 0;
    }

    qInstallMessageHandler(QuietHints);
    QApplication app(argc, argv);
    HeadlessServices services;
    ClassRegistry registry;
    PalavoCtrlModule::DllRegisterServer(registry, services.Services());
    const QString self = QCoreApplication::applicationFilePath();

    if (idleRss) {
        if (program.isEmpty())
            program = QCoreApplication::applicationDirPath() + QStringLiteral("/PalavoXP");
        constexpr int SettleMs = 3000;
        std::printf("bench_startup --idle-rss: %d runs of PalavoXP, entered, voice on, no call, "
                    "%d ms after the call manager's set-up; medians\n",
                    runs, SettleMs);
        IdleMemory memory;
        for (int i = 0; i < runs; ++i)
            if (!RunOneIdle(program, SettleMs, memory))
                return 1;
        PrintRow("resident (VmRSS)", memory.total, "MB");
        PrintRow("  anonymous (RssAnon)", memory.anon, "MB");
        PrintRow("  file-backed (RssFile)", memory.file, "MB");
        std::printf("  media library (liblinphone) mapped in %d of %d runs\n",
                    memory.withMediaLibrary, runs);
        return 0;
    }

    std::printf("bench_startup: %d runs each, platform %s; medians\n", runs,
                qPrintable(QGuiApplication::platformName()));
    StartTimes starts;
    StartTimes warmUp;
    if (!RunOneStart(self, withCalls, warmUp)) // loads the libraries into the page cache
        return 1;
    for (int i = 0; i < runs; ++i)
        if (!RunOneStart(self, withCalls, starts))
            return 1;
    std::printf("(a) fresh process to the main window painted%s\n",
                withCalls ? ", with the program's call clients" : "");
    PrintRow("spawn -> first paint of the window", starts.total);
    PrintRow("  spawn -> QApplication made", starts.app);
    PrintRow("  QApplication -> MainForm with its control", starts.form);
    PrintRow("  MainForm -> first paint", starts.paint);

    const std::vector<MemberArgs> members = ManyMembers();
    ListTimes lists;
    for (int i = 0; i < runs; ++i)
        if (!RunOneList(registry, services.MessageBoxes, members, lists)) {
            std::fprintf(stderr, "bench_startup: the list did not show %d members\n", Members);
            return 1;
        }
    std::printf("(b) %d members into the model and the visible list\n", Members);
    PrintRow("OnAddMember x 5000, then painted", lists.add);
    PrintRow("listed again when the filter goes to all", lists.relist);
    std::printf("target: 5000 members listed in under %.0f ms: %s\n", TargetMs,
                Median(lists.add) < TargetMs ? "met" : "MISSED");
    return 0;
}
