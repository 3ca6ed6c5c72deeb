#pragma once

#include "ClientTestSupport.h"
#include "FakeComponent.h"

#include "client/ChatSession.h"
#include "client/IChatSessionView.h"
#include "platform/ClassRegistry.h"
#include "platform/TrayService.h"

#include <memory>

// The chat session over the fake component, with a recording view and call client.

inline const QString FakeProgId = QStringLiteral("Test.SessionPalavoIF");

// What the session told its view: the rows as addresses, everything else as lines.
class RecordingView : public IChatSessionView
{
public:
    void ShowEntryState(bool entered) override
    {
        Told << QStringLiteral("entered %1").arg(entered);
    }
    void ShowPanelText(int panel, const QString& text) override { Panels[panel] = text; }
    void ShowGroups(const QStringList& groups) override
    {
        Told << QStringLiteral("groups ") + groups.join(u',');
    }
    void ShowGroupFilter(const QString& filter) override { Filter = filter; }
    void ShowMembers(const std::vector<const UserInformation*>& members) override
    {
        Rows.clear();
        for (const UserInformation* member : members)
            Rows << member->address();
    }
    void AddMemberRow(const UserInformation& member) override { Rows << member.address(); }
    void UpdateMemberRow(const UserInformation& member) override
    {
        Told << QStringLiteral("update %1 %2 %3")
                    .arg(member.address())
                    .arg(member.Presence())
                    .arg(member.Location());
    }
    void RemoveMemberRow(const QString& address) override { Rows.removeAll(address); }
    void DisableVoiceChat() override { Told << QStringLiteral("voice chat off"); }

    QStringList Told;
    QString Panels[3];
    QString Filter;
    QStringList Rows;
};

// A call client that starts or not, as the test says.
struct CallScript {
    bool Starts = false;
    int16_t Media = 0;
    bool InCall = false;
    QStringList Journal;
};

class FakeCallManager : public IVoiceCallManager
{
public:
    explicit FakeCallManager(std::shared_ptr<CallScript> script) : m_script(std::move(script)) {}
    bool Init(int32_t media, const QString& myuser) override
    {
        m_script->Journal << QStringLiteral("Init %1 %2").arg(media).arg(myuser);
        m_init = m_script->Starts;
        return m_init;
    }
    int16_t GetMediaCapabilities() const override
    {
        m_script->Journal << QStringLiteral("GetMediaCapabilities");
        return m_init ? m_script->Media : 0;
    }
    void StopAllSession() override { m_script->Journal << QStringLiteral("StopAllSession"); }
    void TuningWizard() override { m_script->Journal << QStringLiteral("TuningWizard"); }
    bool IsUsing() const override { return m_script->InCall; }
    void RequestConnect(const QString& address, const QString& aliase, bool video,
                        bool capT120) override
    {
        m_script->Journal << QStringLiteral("RequestConnect %1 %2 %3 %4")
                                 .arg(address, aliase)
                                 .arg(video)
                                 .arg(capT120);
    }
    void VoIPRequestOffered(const QString& IPAddress, const QString&, int32_t, bool, bool) override
    {
        m_script->Journal << QStringLiteral("offered ") + IPAddress;
    }
    void VoIPRequestRejected(const QString&) override {}
    void VoIPRequestStopped(const QString&) override {}

private:
    std::shared_ptr<CallScript> m_script;
    bool m_init = false;
};

class Session : public ClientTest
{
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        m_registry.RegisterClass(
            FakeProgId, {QStringLiteral("fake"), [script = m_script]() -> std::unique_ptr<QObject> {
                             return std::make_unique<FakeComponent>(script);
                         }});
    }
    void TearDown() override
    {
        m_session.reset();
        ClientTest::TearDown();
    }

    // The session over the fake component, started with these settings.
    ChatSession& Start(const QByteArray& ini = "[User]\naliase=自分\n")
    {
        WriteIniText(ini);
        m_session = std::make_unique<ChatSession>(
            m_registry, m_services, m_view,
            [calls = m_calls]() { return std::make_unique<FakeCallManager>(calls); }, FakeProgId);
        m_session->Windows() = m_windows;
        m_session->Start();
        return *m_session;
    }
    ChatSession& StartEntered(const QByteArray& ini = "[User]\naliase=自分\n")
    {
        ChatSession& session = Start(ini);
        session.Entry();
        EXPECT_TRUE(session.EntryState());
        m_script->Journal.clear();
        return session;
    }
    IPalavoIFEvents& Events() { return *m_script->Sinks.at(0); }
    void Enters(const char* address, const char* aliase, const char* groups, bool present = true,
                const char* location = "")
    {
        Events().MemberAdded(address, 2425, present ? 1 : 0, location, aliase, "pc", "user",
                             groups);
    }
    QStringList BoxTexts()
    {
        QStringList texts;
        for (const MessageBoxRequest& box : m_boxes.Shown())
            texts << box.Caption + u'|' + box.Text;
        m_boxes.Clear();
        return texts;
    }

    ClassRegistry m_registry;
    std::shared_ptr<FakeComponent::Script> m_script = std::make_shared<FakeComponent::Script>();
    std::shared_ptr<CallScript> m_calls = std::make_shared<CallScript>();
    RecordingView m_view;
    HeadlessTray m_tray; // in m_services.Tray when a test puts it there
    std::unique_ptr<ChatSession> m_session;
};
