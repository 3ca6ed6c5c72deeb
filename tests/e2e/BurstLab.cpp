#include "BurstLab.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace
{

bool Run(const QString& program, const QStringList& args, QString* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    const bool ok = process.waitForFinished(60000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output != nullptr)
        *output = QString::fromUtf8(process.readAll()).trimmed();
    return ok;
}

} // namespace

QString BurstLab::Script()
{
    return QStringLiteral(PALAVO_BURSTLAB_SCRIPT);
}

QString BurstLab::SkipReason()
{
    // Being root is not enough (a container may forbid namespaces): try one.
    const QString probe = QStringLiteral("pscprobe%1").arg(::getpid());
    QString output;
    if (!Run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), probe},
             &output))
        return QStringLiteral("cannot make a network namespace (ip netns add): ") + output;
    const bool entered = Run(
        QStringLiteral("ip"),
        {QStringLiteral("netns"), QStringLiteral("exec"), probe, QStringLiteral("true")}, &output);
    Run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), probe});
    if (!entered)
        return QStringLiteral("cannot enter a network namespace (ip netns exec): ") + output;
    return {};
}

BurstLab::BurstLab() : m_name(QStringLiteral("psc%1").arg(::getpid() & 0xfffff, 0, 16)) {}

BurstLab::~BurstLab()
{
    Down();
}

bool BurstLab::Up(int peers, QString* error)
{
    m_up = true; // a half-built lab is taken down too
    QString output;
    const bool ok = Run(QStringLiteral("/bin/bash"),
                        {Script(), QStringLiteral("up"), m_name, QString::number(peers)}, &output);
    if (!ok && error != nullptr)
        *error = QStringLiteral("burstlab.sh up failed: ") + output;
    return ok;
}

void BurstLab::Down()
{
    if (!m_up)
        return;
    Run(QStringLiteral("/bin/bash"), {Script(), QStringLiteral("down"), m_name});
    m_up = false;
}

QStringList BurstLab::ExecInCopy(const QStringList& command) const
{
    return QStringList{QStringLiteral("netns"), QStringLiteral("exec"), CopyNamespace()} + command;
}

UdpCounters ReadUdpCounters(const QString& snmpPath)
{
    // Two "Udp:" lines: the names, then the values.
    QFile file(snmpPath);
    UdpCounters counters;
    if (!file.open(QIODevice::ReadOnly))
        return counters;
    QList<QByteArray> names;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.startsWith("Udp: "))
            continue;
        const QList<QByteArray> fields = line.mid(5).simplified().split(' ');
        if (names.isEmpty()) {
            names = fields;
            continue;
        }
        for (qsizetype i = 0; i < fields.size() && i < names.size(); ++i) {
            if (names[i] == "InDatagrams")
                counters.InDatagrams = fields[i].toLongLong();
            else if (names[i] == "RcvbufErrors")
                counters.RcvbufErrors = fields[i].toLongLong();
        }
        break;
    }
    return counters;
}

long long PeakRssKb(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).simplified().split(' ').value(0).toLongLong();
    return -1;
}
