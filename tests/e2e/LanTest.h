#pragma once

#include "CliPeer.h"
#include "VirtualLan.h"

#include <QJsonArray>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A test on its own virtual LAN: the hosts come up before the test and go down after
// it, whatever happened; copies of palavo-cli are started on them on demand. Skips
// with the reason when the LAN cannot be built here.
class LanTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    virtual int HostCount() const { return 3; }
    virtual bool NeedsNft() const { return false; }

    // A copy on `host` with the usual settings (SettingsFor), not yet entered.
    CliPeer& Start(int host, const QStringList& extraArgs = {});
    static PeerSettings SettingsFor(int host);
    // Entry on each copy in turn, then waits until each one knows all the others with
    // their application information (their second MemberAdded).
    void EnterAll(const std::vector<CliPeer*>& peers);
    static int MemberAddedCount(const CliPeer& at, const QString& address);

    VirtualLan& Lan() { return *m_lan; }

private:
    std::unique_ptr<VirtualLan> m_lan;
    std::vector<std::unique_ptr<CliPeer>> m_peers;
};

// Argument lists compare as JSON; these print readably when they do not.
QJsonArray Args(std::initializer_list<QJsonValue> values);
std::string Text(const QJsonArray& args);
std::string Text(const QJsonObject& object);
