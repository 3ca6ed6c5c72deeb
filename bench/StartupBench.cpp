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
// A plain timed program, run by hand: bench_startup [--runs N]. Offscreen unless
// QT_QPA_PLATFORM says otherwise.
#include "client/INIData.h"
#include "component/HeadlessServices.h"
#include "host/MainForm.h"
#include "platform/ClassRegistry.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"
#include "ui/PalavoCtrlModule.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

namespace
{

constexpr const char* ChildFlag = "--window-child";
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
    QApplication app(argc, argv);
    const qint64 appReady = MonotonicNs();
    HeadlessServices services;
    ClassRegistry registry;
    PalavoCtrlModule::DllRegisterServer(registry, services.Services());

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

bool RunOneStart(const QString& self, StartTimes& times)
{
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PALAVO_HOME"), home.path());
    QProcess child;
    child.setProgram(self);
    child.setArguments({QString::fromLatin1(ChildFlag)});
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

void PrintRow(const char* what, const std::vector<double>& values)
{
    std::printf("  %-44s %9.1f ms  (min %.1f, max %.1f)\n", what, Median(values),
                *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()));
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
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));

    qInstallMessageHandler(QuietHints);
    QApplication app(argc, argv);
    HeadlessServices services;
    ClassRegistry registry;
    PalavoCtrlModule::DllRegisterServer(registry, services.Services());
    const QString self = QCoreApplication::applicationFilePath();

    std::printf("bench_startup: %d runs each, platform %s; medians\n", runs,
                qPrintable(QGuiApplication::platformName()));
    StartTimes starts;
    StartTimes warmUp;
    if (!RunOneStart(self, warmUp)) // loads the libraries into the page cache
        return 1;
    for (int i = 0; i < runs; ++i)
        if (!RunOneStart(self, starts))
            return 1;
    std::printf("(a) fresh process to the main window painted\n");
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
