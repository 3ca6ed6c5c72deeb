#include "FakeRtcClient.h"

#include <algorithm>

namespace rtc
{
namespace
{
QString Flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

RtcStatus Outcome(const FakeJournal& journal, const QString& failAt, const QString& line,
                  const char* operation)
{
    journal->append(line);
    if (failAt == QLatin1String(operation))
        return RtcStatus::Failed(QStringLiteral("fake failure in ") + QLatin1String(operation));
    return RtcStatus::Ok();
}
} // namespace

// ---- Sessions and windows -----------------------------------------------------------

RtcStatus FakeSession::Record(const QString& line, const char* operation)
{
    return Outcome(m_journal, m_failAt, line, operation);
}

RtcResult<std::shared_ptr<IParticipant>> FakeSession::AddParticipant(const QString& sipAddress,
                                                                     const QString& name)
{
    const RtcStatus status =
        Record(QStringLiteral("AddParticipant(%1,%2)").arg(sipAddress, name), "AddParticipant");
    if (!status)
        return {status, nullptr};
    auto participant = std::make_shared<FakeParticipant>();
    participant->Address = sipAddress;
    participant->Name = name;
    participant->Owner = weak_from_this();
    Participants.push_back(participant);
    return RtcResult<std::shared_ptr<IParticipant>>::Of(participant);
}

RtcStatus FakeSession::Answer()
{
    return Record(QStringLiteral("Answer"), "Answer");
}

RtcStatus FakeSession::Terminate(int reason)
{
    return Record(QStringLiteral("Terminate(%1)").arg(reason), "Terminate");
}

RtcStatus FakeSession::RemoveParticipant(const std::shared_ptr<IParticipant>& participant)
{
    auto* fake = dynamic_cast<FakeParticipant*>(participant.get());
    return Record(QStringLiteral("RemoveParticipant(%1)").arg(fake ? fake->Address : QString()),
                  "RemoveParticipant");
}

std::shared_ptr<IParticipant> FakeSession::Participant(int index) const
{
    if (index < 1 || index > static_cast<int>(Participants.size()))
        return nullptr;
    return Participants[index - 1];
}

std::shared_ptr<FakeParticipant> FakeSession::AddRemote(const QString& address)
{
    auto participant = std::make_shared<FakeParticipant>();
    participant->Address = address;
    participant->Owner = weak_from_this();
    Participants.push_back(participant);
    return participant;
}

RtcStatus FakeVideoWindow::SetVisible(bool visible)
{
    m_journal->append(QStringLiteral("%1.SetVisible(%2)").arg(m_kind, Flag(visible)));
    if (Fails)
        return RtcStatus::Failed(QStringLiteral("fake failure in SetVisible"));
    Visible = visible;
    return RtcStatus::Ok();
}

// ---- The client ---------------------------------------------------------------------

FakeRtcClient::FakeRtcClient(FakeRtcClients* owner) : m_owner(owner) {}

FakeRtcClient::~FakeRtcClient()
{
    if (m_owner != nullptr)
        m_owner->Gone(this);
}

RtcStatus FakeRtcClient::Record(const QString& line, const char* operation)
{
    return Outcome(Journal, FailAt, line, operation);
}

void FakeRtcClient::Advise(IClientEvents* sink)
{
    Journal->append(sink != nullptr ? QStringLiteral("Advise") : QStringLiteral("Unadvise"));
    m_sink = sink;
}

RtcStatus FakeRtcClient::Initialize()
{
    return Record(QStringLiteral("Initialize"), "Initialize");
}

RtcStatus FakeRtcClient::SetEventFilter(int filter)
{
    return Record(QStringLiteral("SetEventFilter(%1)").arg(filter), "SetEventFilter");
}

RtcStatus FakeRtcClient::SetPreferredMediaTypes(int mask, bool persistent)
{
    return Record(QStringLiteral("SetPreferredMediaTypes(%1,%2)").arg(mask).arg(Flag(persistent)),
                  "SetPreferredMediaTypes");
}

RtcStatus FakeRtcClient::SetLocalUserName(const QString& name)
{
    return Record(QStringLiteral("SetLocalUserName(%1)").arg(name), "SetLocalUserName");
}

RtcStatus FakeRtcClient::SetLocalUserURI(const QString& uri)
{
    return Record(QStringLiteral("SetLocalUserURI(%1)").arg(uri), "SetLocalUserURI");
}

RtcStatus FakeRtcClient::SetListenForIncomingSessions(int mode)
{
    return Record(QStringLiteral("SetListenForIncomingSessions(%1)").arg(mode),
                  "SetListenForIncomingSessions");
}

RtcResult<QStringList> FakeRtcClient::NetworkAddresses(bool tcp, bool external)
{
    const RtcStatus status =
        Record(QStringLiteral("NetworkAddresses(%1,%2)").arg(Flag(tcp), Flag(external)),
               "NetworkAddresses");
    return {status, status ? Addresses : QStringList()};
}

RtcResult<int> FakeRtcClient::MediaCapabilities()
{
    if (FailAt == QLatin1String("MediaCapabilities"))
        return RtcResult<int>::Failed(QStringLiteral("fake failure in MediaCapabilities"));
    return RtcResult<int>::Of(Media);
}

RtcResult<std::shared_ptr<ISession>> FakeRtcClient::CreateSession()
{
    const RtcStatus status = Record(QStringLiteral("CreateSession"), "CreateSession");
    if (!status)
        return {status, nullptr};
    auto session = std::make_shared<FakeSession>(Journal, FailAt);
    Sessions.push_back(session);
    return RtcResult<std::shared_ptr<ISession>>::Of(session);
}

RtcStatus FakeRtcClient::PlayRing(bool on)
{
    return Record(QStringLiteral("PlayRing(%1)").arg(Flag(on)), "PlayRing");
}

RtcStatus FakeRtcClient::InvokeTuningWizard()
{
    return Record(QStringLiteral("InvokeTuningWizard"), "InvokeTuningWizard");
}

RtcResult<bool> FakeRtcClient::IsT120AppletRunning(T120Applet applet)
{
    const int index = static_cast<int>(applet);
    const RtcStatus status =
        Record(QStringLiteral("IsT120AppletRunning(%1)").arg(index), "IsT120AppletRunning");
    return {status, status && AppletRunning[index]};
}

RtcStatus FakeRtcClient::StartT120Applet(T120Applet applet)
{
    const int index = static_cast<int>(applet);
    const RtcStatus status =
        Record(QStringLiteral("StartT120Applet(%1)").arg(index), "StartT120Applet");
    if (status)
        AppletRunning[index] = true;
    return status;
}

RtcResult<IVideoWindow*> FakeRtcClient::VideoWindow(VideoWindowKind kind)
{
    const bool receive = kind == VideoWindowKind::Receive;
    Journal->append(QStringLiteral("VideoWindow(%1)")
                        .arg(receive ? QStringLiteral("Receive") : QStringLiteral("Preview")));
    if (!HasVideoWindows)
        return RtcResult<IVideoWindow*>::Failed(QStringLiteral("no video window"));
    return RtcResult<IVideoWindow*>::Of(receive ? &ReceiveWindow : &PreviewWindow);
}

std::shared_ptr<FakeSession> FakeRtcClient::RaiseIncomingSession(const QString& from)
{
    auto session = std::make_shared<FakeSession>(Journal, FailAt);
    session->AddRemote(from);
    Sessions.push_back(session);
    if (m_sink != nullptr)
        m_sink->OnSessionStateChange(session, SessionState::Incoming);
    return session;
}

void FakeRtcClient::RaiseParticipantState(const std::shared_ptr<IParticipant>& participant,
                                          ParticipantState state)
{
    if (m_sink != nullptr)
        m_sink->OnParticipantStateChange(participant, state);
}

void FakeRtcClient::RaiseMediaEvent(int mediaType, MediaEventType type)
{
    if (m_sink != nullptr)
        m_sink->OnMediaEvent(mediaType, type);
}

// ---- The factory --------------------------------------------------------------------

std::unique_ptr<IClient> FakeRtcClients::CreateClient()
{
    if (!Available)
        return nullptr;
    auto client = std::make_unique<FakeRtcClient>(this);
    if (Setup)
        Setup(*client);
    Live.push_back(client.get());
    ++Made;
    return client;
}

void FakeRtcClients::Gone(FakeRtcClient* client)
{
    Live.erase(std::remove(Live.begin(), Live.end(), client), Live.end());
}

} // namespace rtc
