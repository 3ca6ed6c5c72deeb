#include "LanTest.h"

#include "support/EventWaiter.h"

#include <QJsonDocument>

void LanTest::SetUp()
{
    const QString reason = VirtualLan::SkipReason(NeedsNft());
    if (!reason.isEmpty())
        GTEST_SKIP() << reason.toStdString();
    static const bool cleaned = [] {
        VirtualLan::RemoveStale();
        return true;
    }();
    (void)cleaned;
    m_lan = std::make_unique<VirtualLan>(VirtualLan::RunName());
    QString error;
    ASSERT_TRUE(m_lan->Up(HostCount(), &error)) << error.toStdString();
}

void LanTest::TearDown()
{
    // End every copy at once, so their exit waits overlap, then take the LAN down.
    for (auto& peer : m_peers)
        if (peer->Running())
            peer->CloseInput();
    for (auto& peer : m_peers)
        if (peer->Running() && peer->WaitForExit(5000) == -1)
            peer->Kill();
    m_peers.clear();
    m_lan.reset();
}

PeerSettings LanTest::SettingsFor(int host)
{
    // Kanji, kana and a half-width katakana name, which is single bytes in code page 932.
    static const char* const aliases[] = {"山田太郎", "花子", "ｼﾞﾛｳ", "さくら", "健一"};
    PeerSettings settings;
    settings.Aliase = QString::fromUtf8(aliases[(host - 1) % 5]);
    settings.MailAddress = QStringLiteral("user%1@example.jp").arg(host);
    return settings;
}

CliPeer& LanTest::Start(int host, const QStringList& extraArgs)
{
    m_peers.push_back(std::make_unique<CliPeer>(*m_lan, host, extraArgs));
    CliPeer& peer = *m_peers.back();
    EXPECT_TRUE(peer.WaitReady()) << peer.Diagnostics().toStdString();
    Configure(peer, SettingsFor(host));
    return peer;
}

int LanTest::MemberAddedCount(const CliPeer& at, const QString& address)
{
    int count = 0;
    for (const QJsonArray& args : at.Events(QStringLiteral("MemberAdded")))
        count += args.at(0).toString() == address;
    return count;
}

void LanTest::EnterAll(const std::vector<CliPeer*>& peers)
{
    for (CliPeer* peer : peers)
        ASSERT_TRUE(peer->Call("Entry", Args({1, ""})).value("ok").toBool());
    const bool known = WaitUntil(
        [&] {
            for (CliPeer* peer : peers)
                for (CliPeer* other : peers)
                    if (other != peer && MemberAddedCount(*peer, other->Address()) < 2)
                        return false;
            return true;
        },
        10000);
    ASSERT_TRUE(known) << "not everybody knows everybody:\n"
                       << peers.front()->Diagnostics().toStdString();
    // The mail address comes last, with no event: after it the LAN is quiet.
    for (CliPeer* peer : peers)
        for (CliPeer* other : peers) {
            if (other == peer)
                continue;
            const QString mail = SettingsFor(other->Host()).MailAddress;
            ASSERT_TRUE(WaitUntil(
                [&] {
                    return peer->Call("GetMailInfo", Args({other->Address()}))["result"] == mail;
                },
                5000))
                << "host " << peer->Host() << " lacks the mail address of " << other->Host();
        }
}

QJsonArray Args(std::initializer_list<QJsonValue> values)
{
    return QJsonArray(values);
}

std::string Text(const QJsonArray& args)
{
    return QJsonDocument(args).toJson(QJsonDocument::Compact).toStdString();
}

std::string Text(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}
