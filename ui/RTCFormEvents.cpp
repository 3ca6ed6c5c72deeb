#include "RTCForm.h"

// The client's events: each is traced with its fixed name before it is handled; the
// incoming session, the participant's connection and disconnection and the start of
// received video change the call. An error while handling one is traced and the event
// otherwise dropped.
#include "client/TraceLog.h"

#include <algorithm>

namespace
{
QString ParticipantStateName(rtc::ParticipantState state)
{
    using S = rtc::ParticipantState;
    switch (state) {
    case S::Idle:
        return QStringLiteral("RTCPS_IDLE");
    case S::Pending:
        return QStringLiteral("RTCPS_PENDING");
    case S::Incoming:
        return QStringLiteral("RTCPS_INCOMING");
    case S::Answering:
        return QStringLiteral("RTCPS_ANSWERING");
    case S::InProgress:
        return QStringLiteral("RTCPS_INPROGRESS");
    case S::Alerting:
        return QStringLiteral("RTCPS_ALERTING");
    case S::Connected:
        return QStringLiteral("RTCPS_CONNECTED");
    case S::Disconnecting:
        return QStringLiteral("RTCPS_DISCONNECTING");
    case S::Disconnected:
        return QStringLiteral("RTCPS_DISCONNECTED");
    }
    return QString::number(static_cast<int>(state));
}
} // namespace

void RTCForm::OnClientEvent(rtc::ClientEventType type)
{
    switch (type) {
    case rtc::ClientEventType::DeviceChange:
        TraceLog(QStringLiteral("RTCE_CLIENT.RTCCET_DEVICE_CHANGE"));
        break;
    case rtc::ClientEventType::NetworkQualityChange:
        TraceLog(QStringLiteral("RTCE_CLIENT.RTCCET_NETWORK_QUALITY_CHANGE"));
        break;
    case rtc::ClientEventType::AsyncCleanupDone:
        TraceLog(QStringLiteral("RTCE_CLIENT.RTCCET_ASYNC_CLEANUP_DONE"));
        break;
    }
}

void RTCForm::OnRegistrationStateChange(int, int statusCode, const QString&)
{
    TraceLog(QStringLiteral("RTCE_REGISTRATION_STATE_CHANGE.") + QString::number(statusCode));
}

void RTCForm::OnSessionStateChange(const std::shared_ptr<rtc::ISession>& eventSession,
                                   rtc::SessionState state)
{
    if (state != rtc::SessionState::Incoming || !eventSession)
        return;
    TraceLog(QStringLiteral("RTCE_SESSION_STATE_CHANGE.RTCSS_INCOMING"));
    // The caller answers the callee's call by itself, but only a call it asked for, from
    // the member it asked: any other call answered by itself would open this microphone
    // to anyone on the LAN who learnt the port.
    const auto party = eventSession->Participant(1);
    const bool asked = inUse && m_caller && !peerAddress.isEmpty() && !session;
    if (!asked || !party || party->RemoteHost() != peerAddress) {
        TraceLog(asked ? QStringLiteral("RTCSS_INCOMING refused: not from ") + peerAddress
                       : QStringLiteral("RTCSS_INCOMING refused: no request of ours is waiting"));
        RememberEnded(eventSession);
        if (const rtc::RtcStatus status = eventSession->Terminate(rtc::NormalTermination); !status)
            TraceLog(status.description());
        return;
    }
    session = eventSession;
    participant = party;
    if (const rtc::RtcStatus status = g_objRTCClient->SetPreferredMediaTypes(m_callMedia, false);
        !status)
        TraceLog(status.description());
    if (const rtc::RtcStatus status = session->Answer(); !status)
        TraceLog(status.description());
}

void RTCForm::OnSessionOperationComplete()
{
    TraceLog(QStringLiteral("RTCE_SESSION_OPERATION_COMPLETE"));
}

void RTCForm::OnParticipantStateChange(const std::shared_ptr<rtc::IParticipant>& eventParticipant,
                                       rtc::ParticipantState state)
{
    TraceLog(QStringLiteral("RTCE_PARTICIPANT_STATE_CHANGE.") + ParticipantStateName(state));
    // A call we turned away or ended goes on being told; its end must not close the
    // window of the call this side is ringing for, waiting on or talking in now.
    if (const auto eventSession = eventParticipant ? eventParticipant->Session() : nullptr) {
        const bool ended = std::any_of(m_ended.begin(), m_ended.end(),
                                       [&](const auto& s) { return s.lock() == eventSession; });
        if (ended && eventSession != session)
            return;
    }
    participant = eventParticipant;
    switch (state) {
    case rtc::ParticipantState::Incoming:
        if (participant)
            session = participant->Session();
        break;
    case rtc::ParticipantState::Connected:
        if (m_stsForm) {
            m_stsForm->SetStatus(3);
        } else if (session) {
            // Nobody is watching the call any more.
            if (const rtc::RtcStatus status = session->Terminate(rtc::NormalTermination); !status)
                TraceLog(status.description());
        }
        break;
    case rtc::ParticipantState::Disconnected:
        inUse = false;
        if (m_stsForm) {
            m_stsForm->SetStatus(6);
            m_stsForm->closeForm(1);
            ForgetStatusForm();
        }
        session.reset();
        ResetCallMedia();
        break;
    default:
        break;
    }
}

void RTCForm::OnMediaEvent(int mediaType, rtc::MediaEventType type)
{
    TraceLog(QStringLiteral("RTCE_MEDIA.") + QString::number(mediaType) + QStringLiteral(".") +
             QString::number(static_cast<int>(type)));
    // Video sent is the preview, which is not shown; video received is shown.
    if (mediaType != rtc::VideoReceive || type != rtc::MediaEventType::Started || !g_objRTCClient)
        return;
    rtc::RtcResult<rtc::IVideoWindow*> window =
        g_objRTCClient->VideoWindow(rtc::VideoWindowKind::Receive);
    rtc::RtcStatus status = window.status;
    if (status && window.value == nullptr)
        status = rtc::RtcStatus::Failed(QStringLiteral("no video window"));
    if (status)
        status = window.value->SetVisible(true);
    if (!status) {
        TraceLog(status.description());
        ShowError(status.description());
    }
}

void RTCForm::OnMessaging()
{
    TraceLog(QStringLiteral("RTCE_MESSAGING"));
}

void RTCForm::OnBuddy()
{
    TraceLog(QStringLiteral("RTCE_BUDDY"));
}

void RTCForm::OnWatcher()
{
    TraceLog(QStringLiteral("RTCE_WATCHER"));
}

void RTCForm::OnProfile()
{
    TraceLog(QStringLiteral("RTCE_PROFILE"));
}
