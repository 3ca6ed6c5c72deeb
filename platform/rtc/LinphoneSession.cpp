#include "platform/rtc/LinphoneSession.h"

#include <linphone++/linphone.hh>

namespace rtc
{
namespace
{
const QString kNoClient = QStringLiteral("The call client has been closed.");

linphone::MediaDirection Direction(int mask, int send, int receive)
{
    if ((mask & send) && (mask & receive))
        return linphone::MediaDirection::SendRecv;
    return (mask & send) ? linphone::MediaDirection::SendOnly : linphone::MediaDirection::RecvOnly;
}
} // namespace

QString CallTarget(const QString& address)
{
    QString target = address.trimmed();
    if (!target.startsWith(QLatin1String("sip:"), Qt::CaseInsensitive))
        target.prepend(QLatin1String("sip:"));
    // Our clients listen on TCP only.
    if (!target.contains(QLatin1String(";transport="), Qt::CaseInsensitive))
        target += QLatin1String(";transport=tcp");
    return target;
}

void ApplyMediaMask(linphone::CallParams& params, int mask)
{
    const bool audio = mask & (AudioSend | AudioReceive);
    const bool video = mask & (VideoSend | VideoReceive);
    params.enableAudio(audio);
    if (audio)
        params.setAudioDirection(Direction(mask, AudioSend, AudioReceive));
    params.enableVideo(video);
    if (video)
        params.setVideoDirection(Direction(mask, VideoSend, VideoReceive));
}

int MediaMaskOf(const linphone::CallParams& params)
{
    const auto bits = [](bool on, linphone::MediaDirection direction, int send, int receive) {
        if (!on || direction == linphone::MediaDirection::Inactive ||
            direction == linphone::MediaDirection::Invalid)
            return 0;
        return direction == linphone::MediaDirection::SendOnly   ? send
               : direction == linphone::MediaDirection::RecvOnly ? receive
                                                                 : send | receive;
    };
    return bits(params.audioEnabled(), params.getAudioDirection(), AudioSend, AudioReceive) |
           bits(params.videoEnabled(), params.getVideoDirection(), VideoSend, VideoReceive);
}

QString ViaSourceHost(const QString& via)
{
    // "SIP/2.0/TCP host:port;param;param", the sent-by after the first blank.
    const QString value = via.section(u',', 0, 0).trimmed();
    const qsizetype blank = value.indexOf(u' ');
    if (blank < 0)
        return {};
    const QStringList parts = value.mid(blank + 1).trimmed().split(u';');
    QString host = parts.first().trimmed();
    if (host.startsWith(u'['))
        return {}; // IPv6: no member of ours
    host = host.section(u':', 0, 0);
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString param = parts[i].trimmed();
        if (param.startsWith(QLatin1String("received="), Qt::CaseInsensitive) &&
            param.mid(9) != host)
            return {};
    }
    return host;
}

bool LinphoneParticipant::Removable() const
{
    const auto session = m_session.lock();
    return session && session->Call() && !session->Ended();
}

std::shared_ptr<ISession> LinphoneParticipant::Session() const
{
    return m_session.lock();
}

QString LinphoneParticipant::RemoteHost() const
{
    const auto session = m_session.lock();
    return session ? session->RemoteHost() : QString();
}

void LinphoneSession::Attach(std::shared_ptr<linphone::Call> call, bool incoming)
{
    m_call = std::move(call);
    m_incoming = incoming;
    if (!m_participant)
        m_participant = std::make_shared<LinphoneParticipant>(weak_from_this());
}

RtcResult<std::shared_ptr<IParticipant>> LinphoneSession::AddParticipant(const QString& sipAddress,
                                                                         const QString& name)
{
    using Result = RtcResult<std::shared_ptr<IParticipant>>;
    const auto context = m_context.lock();
    if (!context)
        return Result::Failed(kNoClient);
    if (m_call)
        return Result::Failed(QStringLiteral("This call already has its participant."));
    const auto address =
        linphone::Factory::get()->createAddress(CallTarget(sipAddress).toStdString());
    if (!address)
        return Result::Failed(QStringLiteral("\"%1\" is not an address to call.").arg(sipAddress));
    if (!name.isEmpty())
        address->setDisplayName(name.toStdString());
    const auto params = context->Core->createCallParams(nullptr);
    if (!params)
        return Result::Failed(QStringLiteral("The call could not be prepared."));
    ApplyMediaMask(*params, context->PreferredMedia);

    context->Placing = this;
    const auto call = context->Core->inviteAddressWithParams(address, params);
    context->Placing = nullptr;
    if (!call)
        return Result::Failed(
            QStringLiteral("The call to %1 could not be placed.").arg(sipAddress));
    Attach(call, false);
    return Result::Of(m_participant);
}

RtcStatus LinphoneSession::Answer()
{
    const auto context = m_context.lock();
    if (!context)
        return RtcStatus::Failed(kNoClient);
    if (!m_call || !m_incoming || m_call->getState() != linphone::Call::State::IncomingReceived)
        return RtcStatus::Failed(QStringLiteral("There is no incoming call to answer."));
    const auto params = context->Core->createCallParams(m_call);
    if (!params)
        return RtcStatus::Failed(QStringLiteral("The call could not be prepared."));
    ApplyMediaMask(*params, context->PreferredMedia);
    if (m_call->acceptWithParams(params) != 0)
        return RtcStatus::Failed(QStringLiteral("The call could not be answered."));
    return RtcStatus::Ok();
}

RtcStatus LinphoneSession::Terminate(int /*reason*/)
{
    if (!m_context.lock())
        return RtcStatus::Failed(kNoClient);
    // Ending a call that has ended, or was never placed, leaves nothing to do.
    if (!m_call || Ended())
        return RtcStatus::Ok();
    const auto state = m_call->getState();
    if (state == linphone::Call::State::End || state == linphone::Call::State::Released ||
        state == linphone::Call::State::Error)
        return RtcStatus::Ok();
    if (m_call->terminate() != 0)
        return RtcStatus::Failed(QStringLiteral("The call could not be ended."));
    return RtcStatus::Ok();
}

RtcStatus LinphoneSession::RemoveParticipant(const std::shared_ptr<IParticipant>& participant)
{
    if (!participant || participant != m_participant)
        return RtcStatus::Failed(QStringLiteral("That participant is not in this call."));
    // A PC-to-PC call without its one peer is over.
    return Terminate(NormalTermination);
}

std::shared_ptr<IParticipant> LinphoneSession::Participant(int index) const
{
    return index == 1 ? m_participant : nullptr;
}

QString LinphoneSession::RemoteHost() const
{
    if (!m_call)
        return {};
    if (!m_incoming) {
        const auto address = m_call->getRemoteAddress();
        return address ? QString::fromStdString(address->getDomain()) : QString();
    }
    // The From and Contact headers are whatever the party wrote; the Via carries where
    // the connection really came from.
    const auto params = m_call->getRemoteParams();
    return params ? ViaSourceHost(QString::fromStdString(params->getCustomHeader("Via")))
                  : QString();
}

} // namespace rtc
