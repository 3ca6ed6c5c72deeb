#pragma once

#include "platform/rtc/RtcClient.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// A call client for tests of the call manager: it records every operation as a line of
// its journal ("Initialize", "SetPreferredMediaTypes(15,0)", "AddParticipant(a,n)", ...;
// the query MediaCapabilities alone is not recorded), fails the operation named in
// FailAt, and lets the test raise the client's events. Events are raised by the test
// itself, so they come from a turn of their own as the real client's do.
namespace rtc
{

class FakeSession;

// The journal a client shares with its sessions and windows.
using FakeJournal = std::shared_ptr<QStringList>;

class FakeParticipant : public IParticipant
{
public:
    bool Removable() const override { return IsRemovable; }
    std::shared_ptr<ISession> Session() const override { return Owner.lock(); }

    QString Address;
    QString Name;
    bool IsRemovable = true;
    std::weak_ptr<ISession> Owner;
};

class FakeSession : public ISession, public std::enable_shared_from_this<FakeSession>
{
public:
    FakeSession(FakeJournal journal, const QString& failAt) : m_journal(journal), m_failAt(failAt)
    {
    }
    RtcResult<std::shared_ptr<IParticipant>> AddParticipant(const QString& sipAddress,
                                                            const QString& name) override;
    RtcStatus Answer() override;
    RtcStatus Terminate(int reason) override;
    RtcStatus RemoveParticipant(const std::shared_ptr<IParticipant>& participant) override;
    std::shared_ptr<IParticipant> Participant(int index) const override;

    // Adds the remote party of an incoming call.
    std::shared_ptr<FakeParticipant> AddRemote(const QString& address);

    std::vector<std::shared_ptr<FakeParticipant>> Participants;

private:
    RtcStatus Record(const QString& line, const char* operation);
    FakeJournal m_journal;
    QString m_failAt;
};

class FakeVideoWindow : public IVideoWindow
{
public:
    FakeVideoWindow(FakeJournal journal, QString kind) : m_journal(journal), m_kind(kind) {}
    RtcStatus SetVisible(bool visible) override;

    bool Visible = false;
    bool Fails = false;

private:
    FakeJournal m_journal;
    QString m_kind;
};

class FakeRtcClients;

class FakeRtcClient : public IClient
{
public:
    explicit FakeRtcClient(FakeRtcClients* owner = nullptr);
    ~FakeRtcClient() override;

    void Advise(IClientEvents* sink) override;
    RtcStatus Initialize() override;
    RtcStatus SetEventFilter(int filter) override;
    RtcStatus SetPreferredMediaTypes(int mask, bool persistent) override;
    RtcStatus SetLocalUserName(const QString& name) override;
    RtcStatus SetLocalUserURI(const QString& uri) override;
    RtcStatus SetListenForIncomingSessions(int mode) override;
    RtcResult<QStringList> NetworkAddresses(bool tcp, bool external) override;
    RtcResult<int> MediaCapabilities() override;
    RtcResult<std::shared_ptr<ISession>> CreateSession() override;
    RtcStatus PlayRing(bool on) override;
    RtcStatus InvokeTuningWizard() override;
    RtcResult<bool> IsT120AppletRunning(T120Applet applet) override;
    RtcStatus StartT120Applet(T120Applet applet) override;
    RtcResult<IVideoWindow*> VideoWindow(VideoWindowKind kind) override;

    // The events, raised at the manager bound by Advise (nothing happens without one).
    // An incoming call: a new session whose one participant is `from`.
    std::shared_ptr<FakeSession> RaiseIncomingSession(const QString& from = "someone@10.0.0.2");
    void RaiseParticipantState(const std::shared_ptr<IParticipant>& participant,
                               ParticipantState state);
    void RaiseMediaEvent(int mediaType, MediaEventType type);
    IClientEvents* Sink() const { return m_sink; }

    // What the test sets.
    QStringList Addresses{QStringLiteral("192.168.1.10:5070")};
    int Media = AudioSend | AudioReceive;
    // The name of the operation that fails ("Initialize", "AddParticipant", ...).
    QString FailAt;
    bool AppletRunning[2] = {false, false};
    bool HasVideoWindows = true;

    FakeJournal Journal = std::make_shared<QStringList>();
    // Made by CreateSession or raised as incoming, in order.
    std::vector<std::shared_ptr<FakeSession>> Sessions;
    FakeVideoWindow ReceiveWindow{Journal, QStringLiteral("Receive")};
    FakeVideoWindow PreviewWindow{Journal, QStringLiteral("Preview")};

private:
    RtcStatus Record(const QString& line, const char* operation);
    FakeRtcClients* m_owner;
    IClientEvents* m_sink = nullptr;
};

// Makes FakeRtcClients, each set up by Setup, and keeps track of the ones alive.
class FakeRtcClients : public IClientFactory
{
public:
    std::unique_ptr<IClient> CreateClient() override;

    // False: no client, as on a host without calls.
    bool Available = true;
    std::function<void(FakeRtcClient&)> Setup;
    // The clients not yet destroyed, oldest first.
    std::vector<FakeRtcClient*> Live;
    int Made = 0;

    FakeRtcClient* Last() const { return Live.empty() ? nullptr : Live.back(); }

private:
    friend class FakeRtcClient;
    void Gone(FakeRtcClient* client);
};

} // namespace rtc
