#pragma once

#include "platform/rtc/RtcClient.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// A call client for tests of the call manager. Every operation of the client, its
// sessions and its windows is recorded as a line of one shared log ("Initialize",
// "SetPreferredMediaTypes(15,0)", "AddParticipant(someone@10.0.0.2:5060,自分)",
// "Receive.SetVisible(1)"; the query MediaCapabilities and PrepareForCall, which every
// request makes, are not recorded), and the operation whose name is FailAt fails. The test raises the client's events itself, so
// they come from a turn of their own as the real client's do.
namespace rtc
{

struct FakeLog {
    QStringList Lines;
    // The name of the operation that fails: the line's text before "(".
    QString FailAt;
    RtcStatus Record(const QString& line);
};
using FakeLogPtr = std::shared_ptr<FakeLog>;

class FakeParticipant : public IParticipant
{
public:
    bool Removable() const override { return IsRemovable; }
    std::shared_ptr<ISession> Session() const override { return Owner.lock(); }
    // The host of Address ("someone@10.0.0.2:5060" → "10.0.0.2").
    QString RemoteHost() const override;
    QString Address;
    bool IsRemovable = true;
    std::weak_ptr<ISession> Owner;
};

class FakeSession : public ISession, public std::enable_shared_from_this<FakeSession>
{
public:
    explicit FakeSession(FakeLogPtr log) : m_log(std::move(log)) {}
    RtcResult<std::shared_ptr<IParticipant>> AddParticipant(const QString& sipAddress,
                                                            const QString& name) override;
    RtcStatus Answer() override { return m_log->Record(QStringLiteral("Answer")); }
    RtcStatus Terminate(int reason) override;
    RtcStatus RemoveParticipant(const std::shared_ptr<IParticipant>& participant) override;
    std::shared_ptr<IParticipant> Participant(int index) const override;
    // Adds a party without recording it (the caller of an incoming session).
    std::shared_ptr<FakeParticipant> AddRemote(const QString& address);

    std::vector<std::shared_ptr<FakeParticipant>> Participants;

private:
    FakeLogPtr m_log;
};

class FakeVideoWindow : public IVideoWindow
{
public:
    FakeVideoWindow(FakeLogPtr log, QString kind) : m_log(std::move(log)), m_kind(kind) {}
    RtcStatus SetVisible(bool visible) override;
    bool Visible = false;

private:
    FakeLogPtr m_log;
    QString m_kind;
};

class FakeRtcClients;

class FakeRtcClient : public IClient
{
public:
    explicit FakeRtcClient(FakeRtcClients* owner = nullptr) : m_owner(owner) {}
    ~FakeRtcClient() override;

    void Advise(IClientEvents* sink) override;
    RtcStatus Initialize() override { return Log->Record(QStringLiteral("Initialize")); }
    RtcStatus SetEventFilter(int filter) override;
    RtcStatus SetPreferredMediaTypes(int mask, bool persistent) override;
    RtcStatus SetLocalUserName(const QString& name) override;
    RtcStatus SetLocalUserURI(const QString& uri) override;
    RtcStatus SetListenForIncomingSessions(int mode) override;
    RtcResult<QStringList> NetworkAddresses(bool tcp, bool external) override;
    RtcResult<int> MediaCapabilities() override { return RtcResult<int>::Of(Media); }
    RtcResult<std::shared_ptr<ISession>> CreateSession() override;
    RtcStatus PlayRing(bool on) override;
    RtcStatus InvokeTuningWizard() override;
    RtcResult<bool> IsT120AppletRunning(T120Applet applet) override;
    RtcStatus StartT120Applet(T120Applet applet) override;
    RtcResult<IVideoWindow*> VideoWindow(VideoWindowKind kind) override;
    RtcStatus PrepareForCall() override;

    // An incoming call: a new session whose one participant is `from`, raised as
    // incoming at the bound manager.
    std::shared_ptr<FakeSession> RaiseIncomingSession(const QString& from = "someone@10.0.0.2");
    // The bound manager; null before Advise and after it was unbound.
    IClientEvents* Sink() const { return m_sink; }

    QStringList Addresses{QStringLiteral("192.168.1.10:5070")};
    int Media = AudioSend | AudioReceive;
    bool AppletRunning[2] = {false, false};
    FakeLogPtr Log = std::make_shared<FakeLog>();
    // Made by CreateSession or raised as incoming, in order.
    std::vector<std::shared_ptr<FakeSession>> Sessions;
    FakeVideoWindow ReceiveWindow{Log, QStringLiteral("Receive")};
    FakeVideoWindow PreviewWindow{Log, QStringLiteral("Preview")};

private:
    FakeRtcClients* m_owner;
    IClientEvents* m_sink = nullptr;
};

// Makes FakeRtcClients, each set up by Setup, and keeps track of the ones alive. It must
// outlive them.
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
};

} // namespace rtc
