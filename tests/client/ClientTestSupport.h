#pragma once

#include "client/ChatFormStandIn.h"
#include "client/ChatInfo.h"
#include "client/ChatWindowFactory.h"
#include "client/GroupChatFormStandIn.h"
#include "client/IMemberDetails.h"
#include "client/RecordContext.h"
#include "client/UserInformation.h"
#include "client/UserList.h"
#include "client/groupList.h"
#include "component/HeadlessTransferViews.h"
#include "platform/BeepService.h"
#include "platform/MessageBoxService.h"
#include "platform/OpenFileDialogService.h"
#include "platform/PlatformServices.h"
#include "platform/rtc/RtcClient.h"
#include "platform/SaveAsDialogService.h"
#include "platform/ShellService.h"
#include "support/RecordingNotifications.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A chat window that tells the test when it goes, and may stay on screen past its record.
class RecordingChatForm : public ChatFormStandIn
{
public:
    RecordingChatForm(std::shared_ptr<int> destroyed, bool onScreen)
        : m_destroyed(std::move(destroyed)), m_onScreen(onScreen)
    {
    }
    ~RecordingChatForm() override { ++*m_destroyed; }
    bool OutlivesRecord(std::function<void()>) override { return m_onScreen; }

private:
    std::shared_ptr<int> m_destroyed;
    bool m_onScreen;
};

class RecordingGroupChatForm : public GroupChatFormStandIn
{
public:
    explicit RecordingGroupChatForm(std::shared_ptr<int> destroyed)
        : m_destroyed(std::move(destroyed))
    {
    }
    ~RecordingGroupChatForm() override { ++*m_destroyed; }

private:
    std::shared_ptr<int> m_destroyed;
};

// Member details as the component would answer them: tool names by address.
class FakeMemberDetails : public IMemberDetails
{
public:
    void GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr) override
    {
        ++Asked;
        ToolName = ToolNames.value(IPAddr);
        mailaddr = MailAddresses.value(IPAddr);
    }

    QHash<QString, QString> ToolNames;
    QHash<QString, QString> MailAddresses;
    int Asked = 0;
};

// Beeps as (frequency, duration) pairs.
class RecordingBeeps : public IBeepService
{
public:
    void Beep(int frequency, int durationMs) override { Beeps.emplace_back(frequency, durationMs); }
    std::vector<std::pair<int, int>> Beeps;
};

// What the desktop was asked to open, in order.
class RecordingShell : public IShellService
{
public:
    void Open(const QString& target) override { Opened << target; }
    QStringList Opened;
};

// Every client test starts from an empty settings directory, its own settings object and
// member and group lists (as a session holds them), scripted message boxes and recording
// chat windows.
class ClientTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the settings file with exactly this text.
    void WriteIniText(const QByteArray& text);
    QByteArray ReadIniText() const;
    QString SettingsPath(const QString& fileName) const;

    // Adds a member to m_users and returns it.
    UserInformation* AddMember(const QString& address, const QString& aliase, const QString& groups,
                               const QString& toolName = {});

    QTemporaryDir m_home;
    ScriptedMessageBoxService m_boxes;
    RecordingBeeps m_beeps;
    CancellingSaveAsDialogs m_saveAs;
    RecordingShell m_shell;
    HeadlessTransferViews m_views;
    CancellingOpenFileDialogs m_openFiles;
    rtc::NoCallClients m_calls;
    RecordingNotifications m_notifications;
    PlatformServices m_services{m_boxes,     m_beeps, m_saveAs,       m_shell,
                                m_views,     m_openFiles, m_calls, m_notifications};
    FakeMemberDetails m_details;
    ChatInfo m_info;
    ChatWindowFactory m_windows;
    UserList m_users;
    groupList m_groups;
    RecordContext m_records{&m_details, &m_windows, &m_users};
    // Windows made so far, in order; valid while their records live.
    std::vector<RecordingChatForm*> m_chatForms;
    std::vector<RecordingGroupChatForm*> m_groupForms;
    std::shared_ptr<int> m_chatFormsDestroyed = std::make_shared<int>(0);
    std::shared_ptr<int> m_groupFormsDestroyed = std::make_shared<int>(0);
    // Whether new one-to-one windows claim to be on screen when their record goes.
    bool m_chatFormsOnScreen = false;
};
