#include "FakeRtcClient.h"

#include <algorithm>

namespace rtc
{
namespace
{
int Flag(bool on)
{
    return on ? 1 : 0;
}
} // namespace

RtcStatus FakeLog::Record(const QString& line)
{
    Lines << line;
    const QString operation = line.section(u'(', 0, 0);
    if (operation == FailAt)
        return RtcStatus::Failed(QStringLiteral("fake failure in ") + operation);
    return RtcStatus::Ok();
}

QString FakeParticipant::RemoteHost() const
{
    return Address.section(u'@', -1).section(u':', 0, 0);
}

RtcResult<std::shared_ptr<IParticipant>> FakeSession::AddParticipant(const QString& sipAddress,
                                                                     const QString& name)
{
    const RtcStatus status =
        m_log->Record(QStringLiteral("AddParticipant(%1,%2)").arg(sipAddress, name));
    if (!status)
        return {status, nullptr};
    return RtcResult<std::shared_ptr<IParticipant>>::Of(AddRemote(sipAddress));
}

RtcStatus FakeSession::Terminate(int reason)
{
    return m_log->Record(QStringLiteral("Terminate(%1)").arg(reason));
}

RtcStatus FakeSession::RemoveParticipant(const std::shared_ptr<IParticipant>& participant)
{
    auto* fake = dynamic_cast<FakeParticipant*>(participant.get());
    return m_log->Record(
        QStringLiteral("RemoveParticipant(%1)").arg(fake ? fake->Address : QString()));
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
    const RtcStatus status =
        m_log->Record(QStringLiteral("%1.SetVisible(%2)").arg(m_kind).arg(Flag(visible)));
    if (status)
        Visible = visible;
    return status;
}

FakeRtcClient::~FakeRtcClient()
{
    if (m_owner != nullptr)
        std::erase(m_owner->Live, this);
}

void FakeRtcClient::Advise(IClientEvents* sink)
{
    Log->Lines << (sink != nullptr ? QStringLiteral("Advise") : QStringLiteral("Unadvise"));
    m_sink = sink;
}

RtcStatus FakeRtcClient::SetEventFilter(int filter)
{
    return Log->Record(QStringLiteral("SetEventFilter(%1)").arg(filter));
}

RtcStatus FakeRtcClient::SetPreferredMediaTypes(int mask, bool persistent)
{
    return Log->Record(
        QStringLiteral("SetPreferredMediaTypes(%1,%2)").arg(mask).arg(Flag(persistent)));
}

RtcStatus FakeRtcClient::SetLocalUserName(const QString& name)
{
    return Log->Record(QStringLiteral("SetLocalUserName(%1)").arg(name));
}

RtcStatus FakeRtcClient::SetLocalUserURI(const QString& uri)
{
    return Log->Record(QStringLiteral("SetLocalUserURI(%1)").arg(uri));
}

RtcStatus FakeRtcClient::SetListenForIncomingSessions(int mode)
{
    return Log->Record(QStringLiteral("SetListenForIncomingSessions(%1)").arg(mode));
}

RtcResult<QStringList> FakeRtcClient::NetworkAddresses(bool tcp, bool external)
{
    const RtcStatus status =
        Log->Record(QStringLiteral("NetworkAddresses(%1,%2)").arg(Flag(tcp)).arg(Flag(external)));
    return {status, status ? Addresses : QStringList()};
}

RtcStatus FakeRtcClient::PrepareForCall()
{
    if (Log->FailAt == QLatin1String("PrepareForCall"))
        return RtcStatus::Failed(QStringLiteral("fake failure in PrepareForCall"));
    return RtcStatus::Ok();
}

RtcResult<std::shared_ptr<ISession>> FakeRtcClient::CreateSession()
{
    const RtcStatus status = Log->Record(QStringLiteral("CreateSession"));
    if (!status)
        return {status, nullptr};
    Sessions.push_back(std::make_shared<FakeSession>(Log));
    return RtcResult<std::shared_ptr<ISession>>::Of(Sessions.back());
}

RtcStatus FakeRtcClient::PlayRing(bool on)
{
    return Log->Record(QStringLiteral("PlayRing(%1)").arg(Flag(on)));
}

RtcStatus FakeRtcClient::InvokeTuningWizard()
{
    return Log->Record(QStringLiteral("InvokeTuningWizard"));
}

RtcResult<bool> FakeRtcClient::IsT120AppletRunning(T120Applet applet)
{
    const int index = static_cast<int>(applet);
    const RtcStatus status = Log->Record(QStringLiteral("IsT120AppletRunning(%1)").arg(index));
    return {status, status && AppletRunning[index]};
}

RtcStatus FakeRtcClient::StartT120Applet(T120Applet applet)
{
    const int index = static_cast<int>(applet);
    const RtcStatus status = Log->Record(QStringLiteral("StartT120Applet(%1)").arg(index));
    if (status)
        AppletRunning[index] = true;
    return status;
}

RtcResult<IVideoWindow*> FakeRtcClient::VideoWindow(VideoWindowKind kind)
{
    const bool receive = kind == VideoWindowKind::Receive;
    const RtcStatus status =
        Log->Record(QStringLiteral("VideoWindow(%1)").arg(receive ? "Receive" : "Preview"));
    return {status, status ? (receive ? &ReceiveWindow : &PreviewWindow) : nullptr};
}

std::shared_ptr<FakeSession> FakeRtcClient::RaiseIncomingSession(const QString& from)
{
    Sessions.push_back(std::make_shared<FakeSession>(Log));
    Sessions.back()->AddRemote(from);
    if (m_sink != nullptr)
        m_sink->OnSessionStateChange(Sessions.back(), SessionState::Incoming);
    return Sessions.back();
}

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

} // namespace rtc
