// A copy of palavo-cli entering a LAN of 1,000 peers that all answer at once
// (burstlab.sh, PeerCrowd): every one of them must be listed, in the order the answers
// arrived, and the information and mail exchanges must follow for each. Timings are
// bench_burst's, not this test's.
#include "BurstLab.h"
#include "CliCopy.h"
#include "PeerCrowd.h"

#include <QHash>
#include <QJsonArray>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace
{

constexpr int Peers = 1000;

class EntryBurst : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString reason = BurstLab::SkipReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        QString error;
        ASSERT_TRUE(m_lab.Up(Peers, &error)) << error.toStdString();
    }

    // A copy in the lab, set up as the chat control sets it, entered.
    std::unique_ptr<CliCopy> EnteredCopy(const QStringList& launcher)
    {
        auto copy = std::make_unique<CliCopy>(
            QStringLiteral("ip"),
            m_lab.ExecInCopy(launcher + QStringList{QStringLiteral(PALAVO_CLI_PATH),
                                                    QStringLiteral("--home"), m_home.path()}));
        if (!copy->WaitReady()) {
            ADD_FAILURE() << "palavo-cli did not start";
            return nullptr;
        }
        const std::pair<const char*, QJsonValue> settings[] = {
            {"MyAliase", "新人"},          {"ApplicationName", "Palavo XP"},
            {"ApplicationVersion", "1.0"}, {"PortNo", PeerCrowd::Port},
            {"Groups", "開発部"},
        };
        for (const auto& [name, value] : settings)
            copy->Request({{"set", name}, {"value", value}});
        const QJsonObject entered = copy->Request({{"call", "Entry"}, {"args", QJsonArray{1, ""}}});
        EXPECT_TRUE(entered.value("ok").toBool()) << copy->Tail().toStdString();
        return copy;
    }

    // The whole exchange with a crowd of Peers, with palavo-cli run by `launcher`.
    void ExpectEveryPeerListed(const QStringList& launcher);

    BurstLab m_lab;
    QTemporaryDir m_home;
};

// MemberAdded argument lists of crowd members, in the order they were printed.
std::vector<QJsonArray> CrowdReports(const CliCopy& copy)
{
    std::vector<QJsonArray> reports;
    for (const CliCopy::Line& line : copy.Lines())
        if (line.Json.value("event").toString() == QLatin1String("MemberAdded")) {
            const QJsonArray args = line.Json.value("args").toArray();
            if (args.at(0).toString() != BurstLab::CopyAddress()) // its own entry comes back
                reports.push_back(args);
        }
    return reports;
}

} // namespace

void EntryBurst::ExpectEveryPeerListed(const QStringList& launcher)
{
    {
        PeerCrowd crowd(m_lab.CrowdNamespace(), Peers);
        ASSERT_TRUE(crowd.WaitListening()) << crowd.Error().toStdString();
        std::unique_ptr<CliCopy> copy = EnteredCopy(launcher);
        ASSERT_NE(copy, nullptr);
        const UdpCounters before = ReadUdpCounters(copy->Pid());

        // Everybody twice: on its answer, and again with its application information.
        // Waited for until all came, or nothing more for three seconds.
        int reported = 0;
        const auto allReported = [&](const QJsonObject& line) {
            reported += line.value("event").toString() == QLatin1String("MemberAdded") &&
                        line.value("args").toArray().at(0).toString() != BurstLab::CopyAddress();
            return reported >= 2 * Peers;
        };
        for (size_t had = 0; had != copy->Lines().size();) {
            had = copy->Lines().size();
            if (copy->WaitFor(allReported, 3000))
                break;
        }
        const std::vector<QJsonArray> reports = CrowdReports(*copy);
        QHash<QString, int> seen;
        std::vector<QString> firstOrder;
        for (const QJsonArray& args : reports)
            if (seen[args.at(0).toString()]++ == 0)
                firstOrder.push_back(args.at(0).toString());
        ASSERT_EQ(firstOrder.size(), size_t(Peers)) << "members listed of " << Peers;
        for (int i = 0; i < Peers; ++i) {
            ASSERT_EQ(firstOrder[size_t(i)], QString::fromLatin1(PeerCrowd::PeerAddress(i)))
                << "the " << i << "th member listed is out of the order of arrival";
            ASSERT_EQ(seen.value(firstOrder[size_t(i)]), 2) << firstOrder[size_t(i)].toStdString();
        }
        // The fields of one report, as the crowd's answer gave them.
        const QJsonArray first = reports.front();
        const QJsonArray expected{QString::fromLatin1(PeerCrowd::PeerAddress(0)),
                                  PeerCrowd::Port,
                                  1,
                                  "",
                                  "peer0",
                                  "host0",
                                  "user0",
                                  "Group0"};
        EXPECT_EQ(first, expected);

        // The mail exchange follows the information; the last peer's mail is the last
        // thing handled.
        const QString last = QString::fromLatin1(PeerCrowd::PeerAddress(Peers - 1));
        QJsonObject mail;
        for (int attempt = 0; attempt < 100; ++attempt) {
            mail = copy->Request({{"call", "GetMailInfo"}, {"args", QJsonArray{last}}});
            if (mail.value("result").toString() == QLatin1String(PeerCrowd::PeerMail(Peers - 1)))
                break;
            copy->WaitFor([](const QJsonObject&) { return false; }, 50);
        }
        EXPECT_EQ(mail.value("result").toString(), QLatin1String(PeerCrowd::PeerMail(Peers - 1)));
        EXPECT_EQ(crowd.InfoRequests(), Peers);
        EXPECT_EQ(crowd.MailRequests(), Peers);
        EXPECT_EQ(copy->Request({{"call", "GetAppInfo"}, {"args", QJsonArray{last}}})
                      .value("result")
                      .toString(),
                  QLatin1String(PeerCrowd::PeerAppInfo()));
        EXPECT_EQ(ReadUdpCounters(copy->Pid()).RcvbufErrors, before.RcvbufErrors)
            << "datagrams were dropped at the copy's socket";
    }
}

TEST_F(EntryBurst, EveryPeerIsListedInArrivalOrderAndAskedForItsInformation)
{
    ExpectEveryPeerListed({});
}

TEST_F(EntryBurst, WithoutTheRightToForceItsBufferEveryPeerIsListedToo)
{
    // Without CAP_NET_ADMIN the copy cannot force its receive buffer past the system's
    // limit and gets what net.core.rmem_max allows, as an ordinary user does.
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        GTEST_SKIP() << "no setpriv (util-linux) to drop CAP_NET_ADMIN with";
    ExpectEveryPeerListed({QStringLiteral("setpriv"), QStringLiteral("--inh-caps=-net_admin"),
                           QStringLiteral("--bounding-set=-net_admin")});
}
