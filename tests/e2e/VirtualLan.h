#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The virtual LAN of vlan.sh (network namespaces on a bridge of their own, sealed from
// the machine's network), seen from a test: set up by Up(), always taken down in the
// destructor, even after a failed assertion.
class VirtualLan
{
public:
    // Empty when this machine can build a LAN; else why not. Found by really making a
    // namespace (and with `needNft` an nftables table), not by guessing from the user.
    static QString SkipReason(bool needNft);
    // One name per run of the test program ("e2" and the process id in hex), so that
    // two runs side by side do not tear down each other's hosts.
    static QString RunName();
    // Takes down the LANs that earlier runs left behind when they crashed.
    static void RemoveStale();

    explicit VirtualLan(QString name) : m_name(std::move(name)) {}
    ~VirtualLan();
    VirtualLan(const VirtualLan&) = delete;
    VirtualLan& operator=(const VirtualLan&) = delete;

    bool Up(int hosts, QString* error);
    void Down();

    const QString& Name() const { return m_name; }
    QString Address(int host) const;
    QString Namespace(int host) const { return QStringLiteral("%1-%2").arg(m_name).arg(host); }
    // The program and arguments that run `command` inside a host.
    QStringList Exec(int host, const QStringList& command) const;
    // Runs `command` inside a host with `input` on its standard input; its output.
    QString RunIn(int host, const QStringList& command, const QByteArray& input = {}) const;

    // Drops `percent` of the UDP datagrams that cross the bridge; 0 stops it.
    bool BridgeLoss(int percent);
    // Runs nft inside a host with `script` on its input; the output of e.g. a list.
    bool Nft(int host, const QStringList& args, const QByteArray& script = {},
             QString* output = nullptr);

    static QString Script();

private:
    bool Run(const QStringList& args, QString* output = nullptr,
             const QByteArray& input = {}) const;

    QString m_name;
    int m_hosts = 0;
};
