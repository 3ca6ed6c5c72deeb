#include "VirtualLan.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace
{

// Runs a program to its end; its exit code, or -1 when it could not start.
int RunProgram(const QString& program, const QStringList& args, QString* output,
               const QByteArray& input = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return -1;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    if (output != nullptr)
        *output = QString::fromUtf8(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

QString VirtualLan::Script()
{
    return QStringLiteral(PALAVO_VLAN_SCRIPT);
}

namespace
{

// Makes and removes a throw-away namespace (and, with `nft`, a table of each family the
// tests use inside it): being root is not enough where a container forbids namespaces
// or the kernel lacks nftables. Empty when all worked; else what failed and what it said.
QString ProbeLab(bool nft)
{
    const QString probe = QStringLiteral("pvprobe%1").arg(::getpid(), 0, 16);
    const QString ip = QStringLiteral("ip");
    QString output;
    RunProgram(ip, {QStringLiteral("netns"), QStringLiteral("del"), probe}, &output);
    const int made =
        RunProgram(ip, {QStringLiteral("netns"), QStringLiteral("add"), probe}, &output);
    if (made != 0)
        return QStringLiteral("cannot make a network namespace ('ip netns add %1' %2): %3")
            .arg(probe,
                 made < 0 ? QStringLiteral("did not run; install iproute2")
                          : QStringLiteral("failed"),
                 output.trimmed());
    QString reason;
    // A plain chroot can add a namespace but not enter one: its "/" is no mount point.
    if (RunProgram(ip,
                   {QStringLiteral("netns"), QStringLiteral("exec"), probe, QStringLiteral("true")},
                   &output) != 0)
        reason = QStringLiteral("cannot enter a network namespace ('ip netns exec'): ") +
                 output.trimmed();
    else if (nft) {
        const QByteArray script = "add table bridge palavo_probe\n"
                                  "delete table bridge palavo_probe\n"
                                  "add table inet palavo_probe\n"
                                  "delete table inet palavo_probe\n";
        if (RunProgram(ip,
                       {QStringLiteral("netns"), QStringLiteral("exec"), probe,
                        QStringLiteral("nft"), QStringLiteral("-f"), QStringLiteral("-")},
                       &output, script) != 0)
            reason = QStringLiteral("cannot add and delete an nftables table (bridge and inet) "
                                    "in a network namespace; the loss rules need them: ") +
                     output.trimmed();
    }
    QString removed;
    if (RunProgram(ip, {QStringLiteral("netns"), QStringLiteral("del"), probe}, &removed) != 0 &&
        reason.isEmpty())
        reason = QStringLiteral("cannot remove a network namespace ('ip netns del %1'): %2")
                     .arg(probe, removed.trimmed());
    return reason;
}

} // namespace

QString VirtualLan::SkipReason(bool needNft)
{
    // Probed once a run: the answer does not change while the tests run.
    static const QString lan = ProbeLab(false);
    if (!lan.isEmpty() || !needNft)
        return lan;
    static const QString nft = ProbeLab(true);
    return nft;
}

QString VirtualLan::RunName()
{
    return QStringLiteral("e2%1").arg(::getpid(), 0, 16);
}

void VirtualLan::RemoveStale()
{
    QString output;
    RunProgram(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("list")}, &output);
    static const QRegularExpression ours(QStringLiteral(R"(^(e2([0-9a-f]+))-(\d+|br)\b)"),
                                         QRegularExpression::MultilineOption);
    QSet<QString> stale;
    for (auto it = ours.globalMatch(output); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const pid_t pid = static_cast<pid_t>(match.captured(2).toLongLong(nullptr, 16));
        if (pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH)
            stale.insert(match.captured(1));
    }
    for (const QString& name : stale)
        VirtualLan(name).Down();
}

VirtualLan::~VirtualLan()
{
    Down();
}

bool VirtualLan::Run(const QStringList& args, QString* output, const QByteArray& input) const
{
    QString text;
    const int code =
        RunProgram(QStringLiteral("/bin/bash"), QStringList{Script()} + args, &text, input);
    if (output != nullptr)
        *output = text;
    return code == 0;
}

bool VirtualLan::Up(int hosts, QString* error)
{
    m_hosts = hosts;
    return Run({QStringLiteral("up"), m_name, QString::number(hosts)}, error);
}

void VirtualLan::Down()
{
    Run({QStringLiteral("down"), m_name});
}

QString VirtualLan::Address(int host) const
{
    QString output;
    Run({QStringLiteral("addr"), m_name, QString::number(host)}, &output);
    return output.trimmed();
}

QString VirtualLan::RunIn(int host, const QStringList& command, const QByteArray& input) const
{
    QString output;
    Run(QStringList{QStringLiteral("exec"), m_name, QString::number(host)} + command, &output,
        input);
    return output;
}

QStringList VirtualLan::Exec(int host, const QStringList& command) const
{
    return QStringList{Script(), QStringLiteral("exec"), m_name, QString::number(host)} + command;
}

bool VirtualLan::BridgeLoss(int percent)
{
    return Run({QStringLiteral("bridgeloss"), m_name, QString::number(percent)});
}

bool VirtualLan::Nft(int host, const QStringList& args, const QByteArray& script, QString* output)
{
    return Run(Exec(host, QStringList{QStringLiteral("nft")} + args).mid(1), output, script);
}
