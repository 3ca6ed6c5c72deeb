// A copy entering a crowded LAN: palavo-cli in one network namespace, and in another
// (tests/e2e/burstlab.sh, PeerCrowd) a crowd of N peers that answer its entry broadcast
// all at once, each from its own address, as fast as one socket can send, and then
// answer the information and mail requests that follow.
//
// For N = 1,000 and 10,000 (or --peers a,b,...), --runs R times each (default 3), with
// a fresh copy every run, it prints:
//   listed     distinct crowd members reported by MemberAdded, against N
//   informed   members reported a second time, with their application information
//   t_listed   ms from the entry broadcast reaching the crowd to the last new member
//   t_inform   ms from the same moment to the last member's second report
//   peak_rss   the copy's VmHWM
//   drops      Udp RcvbufErrors in the copy's namespace during the run
// and the medians. Target: N of N listed in under 2 s, peak RSS under 100 MB.
// --unprivileged runs the copy without CAP_NET_ADMIN, as a user would: its socket
// buffer is then what the system's net.core.rmem_max allows.
// Needs root; without it, or without namespaces, it says why and exits 0.
//
//   sudo bench_burst [--runs R] [--peers 1000,10000] [--unprivileged]
#include "BurstLab.h"
#include "CliCopy.h"
#include "PeerCrowd.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include <unistd.h>

namespace
{

struct Options {
    int Runs = 3;
    std::vector<int> Peers{1000, 10000};
    bool Unprivileged = false;
};

std::optional<Options> ParseOptions(const QStringList& args)
{
    Options options;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--unprivileged")) {
            options.Unprivileged = true;
            continue;
        }
        if (i + 1 >= args.size())
            return std::nullopt;
        const QString value = args[++i];
        if (args[i - 1] == QLatin1String("--runs")) {
            options.Runs = value.toInt();
        } else if (args[i - 1] == QLatin1String("--peers")) {
            options.Peers.clear();
            for (const QString& n : value.split(QLatin1Char(',')))
                options.Peers.push_back(n.toInt());
        } else {
            return std::nullopt;
        }
    }
    if (options.Runs < 1 ||
        std::any_of(options.Peers.begin(), options.Peers.end(), [](int n) { return n < 1; }))
        return std::nullopt;
    return options;
}

struct Result {
    int Listed = 0;
    int Informed = 0;
    double ListedMs = 0;
    double InformedMs = 0;
    long long PeakRssKb = 0;
    long long Drops = 0;
    int InfoRequests = 0;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::optional<Result> RunOnce(const BurstLab& lab, int peers, bool unprivileged, QString* problem)
{
    PeerCrowd crowd(lab.CrowdNamespace(), peers);
    if (!crowd.WaitListening()) {
        *problem = crowd.Error();
        return std::nullopt;
    }
    QTemporaryDir home;
    QStringList command{QStringLiteral(PALAVO_CLI_PATH), QStringLiteral("--home"), home.path()};
    if (unprivileged)
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--inh-caps=-net_admin"),
                              QStringLiteral("--bounding-set=-net_admin")} +
                  command;
    CliCopy copy(QStringLiteral("ip"), lab.ExecInCopy(command));
    if (!copy.WaitReady()) {
        *problem = QStringLiteral("palavo-cli did not start");
        return std::nullopt;
    }
    const std::pair<const char*, QJsonValue> settings[] = {
        {"MyAliase", "新人"},          {"ApplicationName", "Palavo XP"},
        {"ApplicationVersion", "1.0"}, {"PortNo", PeerCrowd::Port},
        {"Groups", "開発部"},          {"MailAddress", "new@example.jp"},
    };
    for (const auto& [name, value] : settings)
        copy.Request({{"set", name}, {"value", value}});
    const UdpCounters before = ReadUdpCounters(copy.Pid());

    QHash<QString, int> reports; // MemberAdded per crowd address
    Result result;
    qint64 lastListedNs = 0, lastInformedNs = 0;
    size_t seen = 0;
    const auto count = [&] {
        const std::vector<CliCopy::Line>& lines = copy.Lines();
        for (; seen < lines.size(); ++seen) {
            const QJsonObject& line = lines[seen].Json;
            if (line.value("event").toString() != QLatin1String("MemberAdded"))
                continue;
            const QString address = line.value("args").toArray().at(0).toString();
            if (!address.startsWith(QLatin1String("10.77.1")) &&
                !address.startsWith(QLatin1String("10.77.2")))
                continue; // the copy hears its own entry too
            const int n = ++reports[address];
            if (n == 1) {
                ++result.Listed;
                lastListedNs = lines[seen].AtNs;
            } else if (n == 2) {
                ++result.Informed;
                lastInformedNs = lines[seen].AtNs;
            }
        }
    };
    copy.Request({{"call", "Entry"}, {"args", QJsonArray{1, ""}}});
    // Done when everybody is informed, or when nothing new came for two seconds.
    for (;;) {
        const size_t had = copy.Lines().size();
        copy.WaitFor([](const QJsonObject&) { return false; }, 2000);
        count();
        if (result.Informed == peers || copy.Lines().size() == had)
            break;
    }
    const qint64 start = crowd.EntrySeenNs();
    result.ListedMs = lastListedNs > 0 && start > 0 ? (lastListedNs - start) / 1e6 : -1;
    result.InformedMs = lastInformedNs > 0 && start > 0 ? (lastInformedNs - start) / 1e6 : -1;
    result.PeakRssKb = PeakRssKb(copy.Pid());
    const UdpCounters after = ReadUdpCounters(copy.Pid());
    result.Drops = after.RcvbufErrors - before.RcvbufErrors;
    result.InfoRequests = crowd.InfoRequests();
    return result;
}

int Bench(const Options& options)
{
    std::printf("%7s %4s %13s %13s %10s %10s %10s %7s %8s\n", "peers", "run", "listed", "informed",
                "t_listed", "t_inform", "peak_rss", "drops", "GETINFO");
    for (const int peers : options.Peers) {
        BurstLab lab;
        QString problem;
        if (!lab.Up(peers, &problem)) {
            std::printf("bench_burst: skipped: %s\n", qPrintable(problem));
            return 0;
        }
        std::vector<double> listedMs, informedMs, rss, drops, listed;
        for (int run = 1; run <= options.Runs; ++run) {
            const std::optional<Result> r = RunOnce(lab, peers, options.Unprivileged, &problem);
            if (!r) {
                std::printf("bench_burst: run failed: %s\n", qPrintable(problem));
                return 1;
            }
            std::printf("%7d %4d %6d/%-6d %6d/%-6d %8.0fms %8.0fms %7.1fMB %7lld %8d\n", peers, run,
                        r->Listed, peers, r->Informed, peers, r->ListedMs, r->InformedMs,
                        r->PeakRssKb / 1024.0, r->Drops, r->InfoRequests);
            std::fflush(stdout);
            listed.push_back(r->Listed);
            listedMs.push_back(r->ListedMs);
            informedMs.push_back(r->InformedMs);
            rss.push_back(r->PeakRssKb / 1024.0);
            drops.push_back(double(r->Drops));
        }
        const bool met = Median(listed) == peers && Median(listedMs) < 2000 && Median(rss) < 100;
        std::printf("%7d  med %6.0f/%-6d %13s %8.0fms %8.0fms %7.1fMB %7.0f   target %s\n", peers,
                    Median(listed), peers, "", Median(listedMs), Median(informedMs), Median(rss),
                    Median(drops), met ? "met" : "MISSED");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = ParseOptions(app.arguments());
    if (!options) {
        std::printf("Usage: bench_burst [--runs R] [--peers 1000,10000] [--unprivileged]\n");
        return 2;
    }
    if (geteuid() != 0) {
        std::printf("bench_burst: skipped: making network namespaces needs root\n");
        return 0;
    }
    if (const QString reason = BurstLab::SkipReason(); !reason.isEmpty()) {
        std::printf("bench_burst: skipped: %s\n", qPrintable(reason));
        return 0;
    }
    return Bench(*options);
}
