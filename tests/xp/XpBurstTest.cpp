// PalavoXP's window entering a LAN of 1,000 peers that all answer at once (the two
// namespaces of tests/e2e/burstlab.sh and its PeerCrowd): the member list shows every
// one of them, in the order their answers arrived. Timings are bench_burst_xp's.
#include "BurstLab.h"
#include "NetNamespace.h"
#include "PeerCrowd.h"

#include "client/INIData.h"
#include "ui/MemberListModel.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"
#include "ui/PalavoCtrlModule.h"
#include "support/EventWaiter.h"
#include "host/MainForm.h"
#include "component/HeadlessServices.h"
#include "platform/ClassRegistry.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace
{

constexpr int Peers = 1000;

class XpBurst : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString reason = BurstLab::SkipReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        QString error;
        ASSERT_TRUE(m_lab.Up(Peers, &error)) << error.toStdString();
        m_oldHome = qgetenv("PALAVO_HOME");
        qputenv("PALAVO_HOME", m_home.path().toLocal8Bit());
        const QString user = QStringLiteral("User");
        INIData::WriteIniString(user, QStringLiteral("aliase"), QStringLiteral("パラボ太郎"));
        INIData::WriteIniString(user, QStringLiteral("grouplist"), QStringLiteral("開発部"));
        INIData::WriteIniString(user, QStringLiteral("autoEntry"), QStringLiteral("1"));
        PalavoCtrlModule::DllRegisterServer(m_registry, m_services.Services());
    }

    void TearDown() override
    {
        m_window.reset(); // leaves the network before the namespaces go
        qputenv("PALAVO_HOME", m_oldHome);
    }

    // The window, made and entered inside the copy's namespace.
    PalavoCtrl* OpenWindow()
    {
        NetNamespace inside(m_lab.CopyNamespace());
        if (!inside.Entered()) {
            ADD_FAILURE() << inside.Error().toStdString();
            return nullptr;
        }
        m_window = std::make_unique<MainForm>(m_registry, m_services.MessageBoxes);
        m_window->show();
        PalavoCtrl* ctrl = m_window->PalavoCtrl1();
        if (ctrl == nullptr || !WaitUntil([&] { return ctrl->EntryState(); }, 5000)) {
            ADD_FAILURE() << "no automatic entry";
            return nullptr;
        }
        return ctrl;
    }

    BurstLab m_lab;
    QTemporaryDir m_home;
    QByteArray m_oldHome;
    HeadlessServices m_services;
    ClassRegistry m_registry;
    std::unique_ptr<MainForm> m_window;
};

TEST_F(XpBurst, TheListShowsEveryPeerInTheOrderTheyAnswered)
{
    PeerCrowd crowd(m_lab.CrowdNamespace(), Peers);
    ASSERT_TRUE(crowd.WaitListening()) << crowd.Error().toStdString();
    PalavoCtrl* ctrl = OpenWindow();
    ASSERT_NE(ctrl, nullptr);
    const MemberListModel& list = *ctrl->ListView()->Members();

    // Its own entry comes back too, so it lists itself as well.
    EXPECT_TRUE(WaitUntil([&] { return list.Count() >= Peers + 1; }, 20000)) << list.Count();
    QStringList crowdRows;
    for (int row = 0; row < list.Count(); ++row)
        if (list.RowAt(row).Tag != BurstLab::CopyAddress())
            crowdRows << list.RowAt(row).Tag;
    ASSERT_EQ(crowdRows.size(), Peers);
    for (int i = 0; i < Peers; ++i)
        ASSERT_EQ(crowdRows[i], QString::fromLatin1(PeerCrowd::PeerAddress(i)))
            << "row of peer " << i;
    const int first = list.FindByTag(QString::fromLatin1(PeerCrowd::PeerAddress(0)));
    const MemberListModel::Row& row = list.RowAt(first);
    EXPECT_EQ(row.Text, QStringLiteral("peer0"));
    EXPECT_EQ(row.SubItems, (std::array<QString, 4>{"", "user0", "host0", "10.77.128.1"}));
    EXPECT_EQ(ctrl->PanelText(3), QStringLiteral("メンバ %1名").arg(Peers + 1));

    // Everybody is asked for its information, and the list stays as it is.
    EXPECT_TRUE(WaitUntil([&] { return crowd.MailRequests() == Peers; }, 20000))
        << crowd.MailRequests();
    EXPECT_EQ(list.Count(), Peers + 1);
}

} // namespace
