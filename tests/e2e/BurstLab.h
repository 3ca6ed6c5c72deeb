#pragma once

#include <QString>
#include <QStringList>

// The two namespaces of burstlab.sh, seen from a test or bench: the copy under test on
// one side of a veth pair, a crowd of peers on the other. Up() builds them, the
// destructor always takes them down. One name per process ("psc" and the process id).
class BurstLab
{
public:
    // Empty when namespaces can be made here (tried for real: ip netns add and del),
    // else why not.
    static QString SkipReason();

    BurstLab();
    ~BurstLab();
    BurstLab(const BurstLab&) = delete;
    BurstLab& operator=(const BurstLab&) = delete;

    // Builds the pair with permanent neighbours for `peers` crowd addresses.
    bool Up(int peers, QString* error);
    void Down();

    const QString& Name() const { return m_name; }
    QString CopyNamespace() const { return m_name + QLatin1Char('c'); }
    QString CrowdNamespace() const { return m_name + QLatin1Char('r'); }
    static QString CopyAddress() { return QStringLiteral("10.77.0.1"); }
    // The program and arguments that run `command` in the copy's namespace.
    QStringList ExecInCopy(const QStringList& command) const;

    static QString Script();

private:
    QString m_name;
    bool m_up = false;
};

// Udp counters of a namespace's snmp file: "/proc/PID/net/snmp" of a process living in
// it, or "/proc/thread-self/net/snmp" read by a thread inside it.
struct UdpCounters {
    long long InDatagrams = -1;
    long long RcvbufErrors = -1; // datagrams dropped because a socket's buffer was full
};
UdpCounters ReadUdpCounters(const QString& snmpPath);
inline UdpCounters ReadUdpCounters(qint64 pid)
{
    return ReadUdpCounters(QStringLiteral("/proc/%1/net/snmp").arg(pid));
}
// VmHWM of the process (its peak resident set), in kB; -1 when unreadable.
long long PeakRssKb(qint64 pid);
