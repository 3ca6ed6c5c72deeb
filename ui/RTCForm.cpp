#include "RTCForm.h"

#include "client/ChatInfo.h"
#include "client/IChatActions.h"
#include "client/TraceLog.h"
#include "platform/MessageBoxService.h"
#include "ui/RtcStatusForm.h"

#include <functional>

namespace
{
const QString ErrorCaption = QStringLiteral("エラー");

// The leading decimal digits of `text` as a number; 0 when it starts with none.
int32_t LeadingNumber(const QString& text)
{
    int64_t value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c.unicode() - u'0');
        if (value > INT32_MAX)
            return 0;
    }
    return static_cast<int32_t>(value);
}

} // namespace

RTCForm::RTCForm(IChatActions& chat, const ChatInfo& settings, IMessageBoxService& boxes,
                 rtc::IClientFactory& calls, INotificationService& notifications, QWidget* parent)
    : QWidget(parent), m_chat(chat), m_settings(settings), m_boxes(boxes), m_calls(calls),
      m_notifications(notifications)
{
    setObjectName(QStringLiteral("RTCForm"));
    localName = m_settings.aliase();
    RingerTimer.setObjectName(QStringLiteral("RingerTimer"));
    RingerTimer.setParent(this);
    connect(&RingerTimer, &QTimer::timeout, this, &RTCForm::RingerTimer_Timer);
}

RTCForm::~RTCForm()
{
    // The status windows are children and go with the form; the client must not call
    // back into a half-destroyed manager.
    ReleaseClient();
}

int RTCForm::MediaTypesFor(int32_t media)
{
    using namespace rtc;
    constexpr int Audio = AudioSend | AudioReceive;
    constexpr int Video = VideoSend | VideoReceive;
    // Capability bits 1 voice, 2 video (only ever with voice), 4 whiteboard. Every call
    // needs an audio bit, so video alone (2) and video with whiteboard (6) carry voice
    // as well: 3 and 2 → voice and video, 5 → voice and T.120, 6 and 7 → all.
    switch (media & 7) {
    case 0:
        return 0; // the probe: no media
    case 1:
        return Audio;
    case 2:
    case 3:
        return Audio | Video;
    case 4:
        return T120;
    case 5:
        return Audio | T120;
    default:
        return Audio | Video | T120;
    }
}

bool RTCForm::Init(int32_t media, const QString& myuser)
{
    // Entry after a cancelled entry initialises again: the old client goes first.
    ReleaseClient();
    mediaTypes = MediaTypesFor(media);
    userUri = myuser;
    // The nickname may have changed in the options dialog since the form was made.
    localName = m_settings.aliase();
    return InitializeClient();
}

bool RTCForm::InitializeClient()
{
    auto fail = [this](const QString& description) {
        ReleaseClient();
        // The probe has no media and fails silently.
        if (mediaTypes != 0)
            ShowInitFailure(description);
        return false;
    };

    g_objRTCClient = m_calls.CreateClient();
    if (!g_objRTCClient)
        return fail(QStringLiteral("RTC client not available."));
    rtc::IClient& client = *g_objRTCClient;
    client.Advise(this);
    // In this order; the first step that fails ends the initialisation.
    const std::function<rtc::RtcStatus()> steps[] = {
        [&] { return client.Initialize(); },
        [&] { return client.SetEventFilter(rtc::AllEvents); },
        [&] { return client.SetPreferredMediaTypes(mediaTypes, false); },
        [&] { return client.SetLocalUserName(localName); },
        [&] { return client.SetListenForIncomingSessions(rtc::ListenDynamicAndDefault); },
    };
    for (const auto& step : steps) {
        if (const rtc::RtcStatus status = step(); !status)
            return fail(status.description());
    }
    const rtc::RtcResult<QStringList> addresses = client.NetworkAddresses(false, false);
    if (!addresses.ok())
        return fail(addresses.status.description());
    if (addresses.value.isEmpty())
        return fail(QStringLiteral("no network address"));
    firstAddress = addresses.value.first();
    const qsizetype colon = firstAddress.indexOf(u':');
    if (colon >= 1) {
        localHost = firstAddress.left(colon);
        localPort = LeadingNumber(firstAddress.mid(colon + 1));
    } else {
        localHost.clear();
        localPort = 0;
    }
    userUri = userUri + QStringLiteral("@") + localHost;
    if (const rtc::RtcStatus status = client.SetLocalUserURI(userUri); !status)
        return fail(status.description());
    initialized = true;
    TraceLog(QStringLiteral("RTC_Initialized(MediaTypes=") + QString::number(mediaTypes) +
             QStringLiteral(")"));
    return true;
}

void RTCForm::ShowInitFailure(const QString& description)
{
    m_boxes.Show(this, {QStringLiteral("RTC(MediaTypes=") + QString::number(mediaTypes) +
                            QStringLiteral(")の初期化に失敗しました(") + description +
                            QStringLiteral(")"),
                        ErrorCaption, MessageBoxIcon::Error, MessageBoxButtons::Ok});
}

void RTCForm::ReleaseClient()
{
    RingerTimer.stop();
    ringCount = 0;
    session.reset();
    participant.reset();
    initialized = false;
    if (g_objRTCClient) {
        g_objRTCClient->Advise(nullptr);
        g_objRTCClient.reset();
    }
}

int16_t RTCForm::GetMediaCapabilities() const
{
    if (!initialized)
        return 0;
    const rtc::RtcResult<int> media = g_objRTCClient->MediaCapabilities();
    if (!media.ok()) {
        TraceLog(media.status.description());
        return 0;
    }
    const int m = media.value;
    using namespace rtc;
    int16_t caps = 0;
    if ((m & (AudioSend | AudioReceive)) != 0)
        caps = (m & (VideoSend | VideoReceive)) != 0 ? 3 : 1;
    if ((m & T120) != 0)
        caps += 4;
    return caps;
}

void RTCForm::RequestConnect(const QString& address, const QString& aliase, bool video, bool t120)
{
    if (inUse)
        return;
    inUse = true;
    session.reset();
    using namespace rtc;
    if (!initialized || (mediaTypes & (AudioSend | AudioReceive)) == 0) {
        m_boxes.Show(this, {QStringLiteral("初期化が失敗しているので、VOIP通信できません"),
                            ErrorCaption, MessageBoxIcon::Error, MessageBoxButtons::Ok});
        // Nothing was asked of the partner: the next request must be possible.
        inUse = false;
        return;
    }
    // The partner will call the port we announce: it must be listening before we ask.
    if (const rtc::RtcStatus ready = g_objRTCClient->PrepareForCall(); !ready) {
        ShowInitFailure(ready.description());
        inUse = false;
        return;
    }
    m_caller = true;
    OpenStatusForm(aliase, false, video, t120);
    peerAddress = address;
    peerAliase = aliase;
    const bool withVideo = (mediaTypes & (VideoSend | VideoReceive)) != 0 && video;
    // The partner's call is answered with what the user chose now, not with all the
    // machine can carry: a callee offering video to a user who declined it gets voice.
    m_callMedia = AudioSend | AudioReceive | (withVideo ? VideoSend | VideoReceive : 0) |
                  (t120 ? mediaTypes & T120 : 0);
    if (!m_chat.ReqStartVoIP(address, localPort, withVideo, t120)) {
        // Nothing went out, so no answer will come: say so and free the manager.
        if (m_stsForm) {
            m_stsForm->SetStatus(4);
            m_stsForm->closeForm(2);
        }
        ForgetStatusForm();
        inUse = false;
        m_caller = false;
        peerAddress.clear();
        peerAliase.clear();
    }
}

void RTCForm::VoIPRequestOffered(const QString& ipAddress, const QString& aliase, int32_t portNo,
                                 bool video, bool capT120)
{
    // The partner's own request again (resent after its receipt was lost) while we ring
    // for it or talk with it: the same call, not a second one to refuse as busy. A request
    // from the member we are asking is not a resend but both asking at once: refused as
    // busy, as each side refuses the other, so that both requests end instead of both
    // sides waiting for an answer that never comes.
    if (FromPartner(ipAddress) && !m_caller)
        return;
    // Busy (one call at a time), or a port nobody can call: refused before anything rings.
    if (inUse || portNo < 1 || portNo > 65535) {
        m_chat.RejectVoIP(ipAddress);
        return;
    }
    inUse = true;
    m_caller = false;
    session.reset();
    const int32_t option = m_settings.mediaOption();
    const bool whiteboard = (option & 4) != 0 && capT120;
    const bool withVideo = (option & 2) != 0 && video;
    OpenStatusForm(aliase, true, withVideo, whiteboard);
    peerPort = portNo;
    peerAddress = ipAddress;
    peerAliase = aliase;
    StartRinging();
    if (RtcStatusForm* form = m_stsForm) {
        m_notifications.Notify({QStringLiteral("call:") + ipAddress, aliase,
                                aliase + QStringLiteral("さんから音声チャットのお誘いです")},
                               form, [form] {
                                   form->show();
                                   form->raise();
                                   form->activateWindow();
                               });
    }
}

// A refusal or withdrawal counts only from the member the current call is with: from
// anyone else it would let a stranger end (or forget the partner of) our call.
bool RTCForm::FromPartner(const QString& ipAddress) const
{
    return inUse && !peerAddress.isEmpty() && ipAddress == peerAddress;
}

void RTCForm::VoIPRequestRejected(const QString& ipAddress)
{
    if (!FromPartner(ipAddress))
        return;
    inUse = false;
    StopRinging();
    if (m_stsForm) {
        m_stsForm->SetStatus(5);
        m_stsForm->closeForm(2);
    }
    // Refused after the call was placed or answered: the microphone goes off too.
    EndSession();
    // The call is over: a click in the closing window must not reach the next one.
    ForgetStatusForm();
    peerAddress.clear();
    peerAliase.clear();
}

void RTCForm::VoIPRequestStopped(const QString& ipAddress)
{
    if (!FromPartner(ipAddress))
        return;
    inUse = false;
    if (m_stsForm)
        m_stsForm->closeForm(0);
    StopRinging();
    EndSession();
    // Too late to accept: the closing window's buttons no longer reach us.
    ForgetStatusForm();
    peerAddress.clear();
    peerAliase.clear();
}

void RTCForm::OpenStatusForm(const QString& aliase, bool receiver, bool video, bool t120)
{
    ForgetStatusForm();
    auto* form = new RtcStatusForm(m_settings, GetMediaCapabilities(), this);
    m_stsForm = form;
    form->setWindowTitle(QStringLiteral("音声チャット for ") + aliase);
    connect(form, &RtcStatusForm::OnRtcAccepted, this, &RTCForm::OnRtcAccepted);
    connect(form, &RtcStatusForm::OnRtcRejected, this, &RTCForm::OnRtcRejected);
    connect(form, &RtcStatusForm::OnRtcDropped, this, &RTCForm::OnRtcDropped);
    connect(form, &RtcStatusForm::OnRtcWbShareClicked, this, &RTCForm::OnRtcWbShareClicked);
    connect(form, &RtcStatusForm::OnRtcAppShareClicked, this, &RTCForm::OnRtcAppShareClicked);
    form->Init(aliase, receiver, video, t120);
    form->show();
}

void RTCForm::ForgetStatusForm()
{
    // A window still counting down to its close must not act on the next call.
    if (m_stsForm)
        disconnect(m_stsForm, nullptr, this, nullptr);
    m_stsForm = nullptr;
}

void RTCForm::StartRinging()
{
    if (g_objRTCClient)
        g_objRTCClient->PlayRing(true);
    ringCount = 2;
    RingerTimer.start(2500);
}

void RTCForm::RingerTimer_Timer()
{
    if (ringCount < 1) {
        RingerTimer.stop();
        return;
    }
    if (g_objRTCClient)
        g_objRTCClient->PlayRing(true);
    --ringCount;
}

void RTCForm::StopRinging()
{
    // Answered, refused, withdrawn or ended: the call's notification has said its part.
    if (!peerAddress.isEmpty())
        m_notifications.Withdraw(QStringLiteral("call:") + peerAddress);
    if (!RingerTimer.isActive())
        return;
    ringCount = 0;
    RingerTimer.stop();
    if (g_objRTCClient)
        g_objRTCClient->PlayRing(false);
}

void RTCForm::OnRtcAccepted(bool video, bool t120)
{
    // A second accept (the button and the automatic answer together) places no second call.
    if (session)
        return;
    StopRinging();
    const QString address =
        QStringLiteral("someone@") + peerAddress + QStringLiteral(":") + QString::number(peerPort);
    using namespace rtc;
    const int media =
        (video ? AudioSend | AudioReceive | VideoSend | VideoReceive : AudioSend | AudioReceive) +
        (t120 ? T120 : 0);
    TraceLog(QStringLiteral("SipInvite(") + address + QStringLiteral(", media=") +
             QString::number(media) + QStringLiteral(")"));
    m_callMedia = media;
    if (!g_objRTCClient) {
        ShowError(QStringLiteral("RTC client not available."));
        return;
    }
    if (const RtcStatus status = g_objRTCClient->SetPreferredMediaTypes(media, false); !status) {
        ShowError(status.description());
        return;
    }
    RtcResult<std::shared_ptr<ISession>> created = g_objRTCClient->CreateSession();
    if (!created.ok() || !created.value) {
        ShowError(created.status.description());
        return;
    }
    RtcResult<std::shared_ptr<IParticipant>> added =
        created.value->AddParticipant(address, localName);
    if (!added.ok()) {
        // A session without its partner would only linger; end it.
        created.value->Terminate(NormalTermination);
        ShowError(added.status.description());
        return;
    }
    session = std::move(created.value);
    participant = std::move(added.value);
    if (m_stsForm)
        m_stsForm->SetStatus(9);
}

void RTCForm::OnRtcRejected()
{
    StopRinging();
    inUse = false;
    ForgetStatusForm();
    if (!peerAddress.isEmpty())
        m_chat.RejectVoIP(peerAddress);
    // Refused after accepting: the call being placed goes too.
    if (session) {
        session->Terminate(rtc::NormalTermination);
        RememberEnded(session);
        session.reset();
        participant.reset();
    }
    peerAddress.clear();
    peerAliase.clear();
}

void RTCForm::OnRtcDropped()
{
    HangUp();
}

void RTCForm::StopAllSession()
{
    if (m_stsForm)
        m_stsForm->closeForm(0);
    HangUp();
}

void RTCForm::HangUp()
{
    inUse = false;
    // A ringing request ends with its window; the bell must not go on.
    StopRinging();
    ForgetStatusForm();
    if (!session) {
        // Not connected yet: only the request is withdrawn.
        if (!peerAddress.isEmpty())
            m_chat.ReqStopVoIP(peerAddress);
    } else {
        EndSession();
    }
    peerAddress.clear();
    peerAliase.clear();
}

void RTCForm::EndSession()
{
    if (!session)
        return;
    if (participant && participant->Removable()) {
        if (const rtc::RtcStatus status = session->RemoveParticipant(participant); !status)
            TraceLog(status.description());
    }
    if (const rtc::RtcStatus status = session->Terminate(rtc::NormalTermination); !status)
        TraceLog(status.description());
    // Its end, told later, must not end the next call, which may have begun by then.
    RememberEnded(session);
}

void RTCForm::RememberEnded(const std::shared_ptr<rtc::ISession>& ended)
{
    std::erase_if(m_ended, [](const auto& s) { return s.expired(); });
    m_ended.push_back(ended);
}

void RTCForm::ResetCallMedia()
{
    // The media chosen for one call are not the next call's.
    m_callMedia = mediaTypes;
    if (g_objRTCClient) {
        if (const rtc::RtcStatus status = g_objRTCClient->SetPreferredMediaTypes(mediaTypes, false);
            !status)
            TraceLog(status.description());
    }
}

void RTCForm::OnRtcWbShareClicked()
{
    if (!g_objRTCClient)
        return;
    const rtc::RtcResult<bool> running =
        g_objRTCClient->IsT120AppletRunning(rtc::T120Applet::Whiteboard);
    if (running.ok() && !running.value)
        g_objRTCClient->StartT120Applet(rtc::T120Applet::Whiteboard);
}

void RTCForm::OnRtcAppShareClicked()
{
    if (!g_objRTCClient)
        return;
    const rtc::RtcResult<bool> running =
        g_objRTCClient->IsT120AppletRunning(rtc::T120Applet::AppSharing);
    if (running.ok() && !running.value)
        g_objRTCClient->StartT120Applet(rtc::T120Applet::AppSharing);
}

void RTCForm::TuningWizard()
{
    if (!g_objRTCClient)
        return;
    if (const rtc::RtcStatus status = g_objRTCClient->InvokeTuningWizard(); !status)
        ShowError(status.description());
}

void RTCForm::ShowError(const QString& description)
{
    m_boxes.Show(this, {description, ErrorCaption, MessageBoxIcon::Error, MessageBoxButtons::Ok});
}
