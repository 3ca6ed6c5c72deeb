#include "platform/rtc/LinphoneRtcClient.h"

#include "platform/HostInfo.h"
#include "platform/rtc/LinphoneMedia.h"
#include "platform/rtc/LinphoneSession.h"
#include "platform/rtc/LinphoneVideoWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>

#include <linphone++/linphone.hh>

#include <chrono>
#include <thread>

namespace rtc
{
namespace
{
// The event classes of the filter, in the original client's numbering.
enum EventClass : int {
    ClientClass = 1,
    RegistrationClass = 2,
    SessionStateClass = 4,
    SessionOperationClass = 8,
    ParticipantStateClass = 16,
    MediaClass = 32,
};

const QEvent::Type kDeliver = QEvent::Type(QEvent::registerEventType());

const QString kNotInitialized = QStringLiteral("The call client is not initialized.");

// The ring that ships with the media library's data ("linphone-common").
QString RingFile()
{
    const QString file = QString::fromStdString(linphone::Factory::get()->getRingResourcesDir()) +
                         QStringLiteral("/oldphone-mono.wav");
    if (QFileInfo::exists(file))
        return file;
    return QStringLiteral("/usr/share/sounds/linphone/rings/oldphone-mono.wav");
}
} // namespace

// Forwards the core's callbacks to the client while it is attached; the client detaches it
// before the core goes, so late callbacks land nowhere.
class LinphoneCoreListener : public linphone::CoreListener
{
public:
    explicit LinphoneCoreListener(LinphoneRtcClient* client) : m_client(client) {}
    void Detach() { m_client = nullptr; }

    void onCallCreated(const std::shared_ptr<linphone::Core>&,
                       const std::shared_ptr<linphone::Call>& call) override
    {
        if (m_client)
            m_client->OnCallCreated(call);
    }
    void onCallStateChanged(const std::shared_ptr<linphone::Core>&,
                            const std::shared_ptr<linphone::Call>& call,
                            linphone::Call::State state, const std::string&) override
    {
        if (m_client)
            m_client->OnCallState(call, int(state));
    }
    void onAudioDevicesListUpdated(const std::shared_ptr<linphone::Core>&) override
    {
        if (m_client)
            m_client->OnAudioDevicesChanged();
    }
    // Nobody may watch this client: subscriptions (presence or any other event) are
    // declined as they come.
    void onSubscribeReceived(const std::shared_ptr<linphone::Core>&,
                             const std::shared_ptr<linphone::Event>& event, const std::string&,
                             const std::shared_ptr<const linphone::Content>&) override
    {
        if (event)
            event->denySubscription(linphone::Reason::Declined);
    }
    void onNewSubscriptionRequested(const std::shared_ptr<linphone::Core>& core,
                                    const std::shared_ptr<linphone::Friend>& buddy,
                                    const std::string&) override
    {
        if (buddy)
            core->rejectSubscriber(buddy);
    }

private:
    LinphoneRtcClient* m_client;
};

LinphoneRtcClient::LinphoneRtcClient(CoreSetup setup, DevicePicker picker, QObject* parent)
    : QObject(parent), m_setup(std::move(setup)), m_picker(std::move(picker))
{
    m_iterate.setInterval(20);
    connect(&m_iterate, &QTimer::timeout, this, [this] {
        if (m_context && m_context->Core)
            m_context->Core->iterate();
    });
}

LinphoneRtcClient::~LinphoneRtcClient()
{
    m_sink = nullptr;
    StopCore();
}

void LinphoneRtcClient::StopCore()
{
    m_iterate.stop();
    if (!m_context)
        return;
    const auto core = m_context->Core;
    m_listener->Detach();
    core->removeListener(m_listener);
    if (m_ring)
        m_ring->close();
    m_ring.reset();
    // Say goodbye to the peer: the BYE leaves on the next turns of the library.
    if (core->getCallsNb() > 0) {
        core->terminateAllCalls();
        for (int i = 0; i < 20 && core->getCallsNb() > 0; ++i) {
            core->iterate();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    core->setNativeVideoWindowId(nullptr);
    core->stop();
    // Sessions still held by the manager now fail their operations.
    m_context.reset();
    m_sessions.clear();
    m_videoWindow.reset();
}

void LinphoneRtcClient::Advise(IClientEvents* sink)
{
    m_sink = sink;
}

RtcStatus LinphoneRtcClient::Initialize()
{
    if (m_context)
        return RtcStatus::Failed(QStringLiteral("The call client is already initialized."));
    QString error;
    auto core = MakeCore(m_setup, &error);
    if (!core)
        return RtcStatus::Failed(error);
    m_context = std::make_shared<CallContext>();
    m_context->Core = core;
    m_listener = std::make_shared<LinphoneCoreListener>(this);
    core->addListener(m_listener);
    m_iterate.start();
    return RtcStatus::Ok();
}

RtcStatus LinphoneRtcClient::SetEventFilter(int filter)
{
    if (!m_context)
        return RtcStatus::Failed(kNotInitialized);
    m_filter = filter;
    return RtcStatus::Ok();
}

RtcStatus LinphoneRtcClient::SetPreferredMediaTypes(int mask, bool /*persistent*/)
{
    if (!m_context)
        return RtcStatus::Failed(kNotInitialized);
    // Nothing is kept across runs: the manager sets the media for every call it places.
    m_context->PreferredMedia = mask;
    return RtcStatus::Ok();
}

RtcStatus LinphoneRtcClient::SetLocalUserName(const QString& name)
{
    if (!m_context)
        return RtcStatus::Failed(kNotInitialized);
    m_userName = name;
    return ApplyIdentity();
}

RtcStatus LinphoneRtcClient::SetLocalUserURI(const QString& uri)
{
    if (!m_context)
        return RtcStatus::Failed(kNotInitialized);
    m_userUri = uri;
    return ApplyIdentity();
}

RtcStatus LinphoneRtcClient::ApplyIdentity()
{
    // "user@host" as the manager writes it; the user part is escaped by the library, so a
    // login name with spaces or non-ASCII letters still makes an address.
    QString user = m_userUri;
    QString host = QStringLiteral("localhost");
    if (user.startsWith(QLatin1String("sip:"), Qt::CaseInsensitive))
        user = user.mid(4);
    const qsizetype at = user.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        host = user.mid(at + 1);
        user = user.left(at);
    }
    const auto address =
        linphone::Factory::get()->createAddress(QStringLiteral("sip:%1").arg(host).toStdString());
    if (!address)
        return RtcStatus::Failed(QStringLiteral("\"%1\" is not a SIP address.").arg(m_userUri));
    if (!user.isEmpty())
        address->setUsername(user.toStdString());
    if (!m_userName.isEmpty())
        address->setDisplayName(m_userName.toStdString());
    if (m_context->Core->setPrimaryContact(address->asString()) != 0)
        return RtcStatus::Failed(QStringLiteral("\"%1\" is not a SIP address.").arg(m_userUri));
    return RtcStatus::Ok();
}

RtcStatus LinphoneRtcClient::SetListenForIncomingSessions(int mode)
{
    if (!m_context)
        return RtcStatus::Failed(kNotInitialized);
    // The SIP port is always open (calls we place need it too); the mode decides whether a
    // call that comes in is offered or turned away. Both listening modes use the port the
    // system gave us: a fixed default port would keep a second copy on this machine from
    // starting.
    m_listenMode = mode;
    return RtcStatus::Ok();
}

RtcResult<QStringList> LinphoneRtcClient::NetworkAddresses(bool /*tcp*/, bool external)
{
    using Result = RtcResult<QStringList>;
    if (!m_context)
        return Result::Failed(kNotInitialized);
    // Calls stay on the LAN: there is no address outside it to report.
    if (external)
        return Result::Of({});
    const int port = SipTcpPort(*m_context->Core);
    if (port <= 0)
        return Result::Failed(QStringLiteral("The call client is not listening."));
    const QString host =
        m_setup.BindAddress.isEmpty() ? HostInfo::LocalIPv4Address() : m_setup.BindAddress;
    return Result::Of({QStringLiteral("%1:%2").arg(host).arg(port)});
}

RtcResult<int> LinphoneRtcClient::MediaCapabilities()
{
    if (!m_context)
        return RtcResult<int>::Failed(kNotInitialized);
    return RtcResult<int>::Of(
        MediaCapabilitiesOf(*m_context->Core, m_setup.UseFiles(), m_setup.TestCamera));
}

RtcResult<std::shared_ptr<ISession>> LinphoneRtcClient::CreateSession()
{
    using Result = RtcResult<std::shared_ptr<ISession>>;
    if (!m_context)
        return Result::Failed(kNotInitialized);
    return Result::Of(std::make_shared<LinphoneSession>(m_context));
}

RtcStatus LinphoneRtcClient::PlayRing(bool on)
{
    if (!m_context)
        return RtcStatus::Failed(kNotInitialized);
    if (m_ring) {
        m_ring->close();
        m_ring.reset();
    }
    // With files in place of the sound card there is no speaker to ring on.
    if (!on || m_setup.UseFiles())
        return RtcStatus::Ok();
    const auto core = m_context->Core;
    m_ring = core->createLocalPlayer(core->getRingerDevice(), "", nullptr);
    if (!m_ring || m_ring->open(RingFile().toStdString()) != 0 || m_ring->start() != 0) {
        m_ring.reset();
        return RtcStatus::Failed(QStringLiteral("The ring could not be played."));
    }
    return RtcStatus::Ok();
}

RtcStatus LinphoneRtcClient::InvokeTuningWizard()
{
    if (!m_picker)
        return RtcStatus::Failed(QStringLiteral("This program has no device picker."));
    const std::optional<DeviceChoice> choice = m_picker();
    // Cancelling the picker is no failure; a new choice applies from the next call on.
    if (choice && m_context) {
        m_setup.Microphone = choice->Microphone;
        m_setup.Speaker = choice->Speaker;
        m_setup.Camera = choice->Camera;
        ChooseDevices(*m_context->Core, m_setup);
    }
    return RtcStatus::Ok();
}

RtcResult<bool> LinphoneRtcClient::IsT120AppletRunning(T120Applet /*applet*/)
{
    return RtcResult<bool>::Of(false);
}

RtcStatus LinphoneRtcClient::StartT120Applet(T120Applet applet)
{
    return RtcStatus::Failed(
        applet == T120Applet::Whiteboard
            ? QStringLiteral("There is no whiteboard: this client shares no data, only voice "
                             "and video.")
            : QStringLiteral("There is no application sharing: this client shares no data, "
                             "only voice and video."));
}

RtcResult<IVideoWindow*> LinphoneRtcClient::VideoWindow(VideoWindowKind kind)
{
    using Result = RtcResult<IVideoWindow*>;
    if (!m_context)
        return Result::Failed(kNotInitialized);
    if (kind == VideoWindowKind::Preview)
        return Result::Failed(QStringLiteral("There is no preview window."));
    if (!m_videoWindow) {
        QString error;
        m_videoWindow = LinphoneVideoWindow::Make(&error);
        if (!m_videoWindow)
            return Result::Failed(error);
        void* id = m_videoWindow->NativeId();
        m_context->Core->setNativeVideoWindowId(id);
        for (const auto& [call, session] : m_sessions)
            if (session->Call())
                session->Call()->setNativeVideoWindowId(id);
    }
    return Result::Of(m_videoWindow.get());
}

std::vector<int> LinphoneRtcClient::CallMedia() const
{
    std::vector<int> media;
    if (m_context)
        for (const auto& call : m_context->Core->getCalls()) {
            const auto params = call->getCurrentParams();
            media.push_back(params ? MediaMaskOf(*params) : 0);
        }
    return media;
}

void LinphoneRtcClient::OnCallCreated(const std::shared_ptr<linphone::Call>& call)
{
    if (m_context && m_context->Placing) {
        auto session = m_context->Placing->shared_from_this();
        session->Attach(call, false);
        m_sessions[call.get()] = session;
    }
}

void LinphoneRtcClient::OnCallState(const std::shared_ptr<linphone::Call>& call, int stateValue)
{
    const auto state = linphone::Call::State(stateValue);
    auto it = m_sessions.find(call.get());
    if (it == m_sessions.end()) {
        // A call the manager did not place, should the library ever start one by itself,
        // is ended at once.
        if (state == linphone::Call::State::OutgoingInit ||
            state == linphone::Call::State::OutgoingProgress) {
            // Not from inside the library's own report of the new call.
            QTimer::singleShot(0, this, [call] { call->terminate(); });
            return;
        }
        if (state != linphone::Call::State::IncomingReceived)
            return;
        // Turned away: not listening, or already in a call (one call at a time).
        if (m_listenMode == 0 || !m_sessions.empty()) {
            call->decline(linphone::Reason::Busy);
            return;
        }
        auto session = std::make_shared<LinphoneSession>(m_context);
        session->Attach(call, true);
        it = m_sessions.emplace(call.get(), session).first;
    }
    const std::shared_ptr<LinphoneSession> session = it->second;
    const CallStep step = NextCallStep(session->Progress(), state, session->Incoming());
    // A state the call has left by the time it would be told is not told: a manager that
    // refused an incoming session hears next that it ended, not that it is incoming.
    if (step.Session)
        Queue(SessionStateClass, [session, s = *step.Session](IClientEvents& sink) {
            if (s == SessionState::Disconnected || !session->Ended())
                sink.OnSessionStateChange(session, s);
        });
    if (step.Participant) {
        const auto participant = session->Participant(1);
        Queue(ParticipantStateClass,
              [session, participant, p = *step.Participant](IClientEvents& sink) {
                  if (p == ParticipantState::Disconnected || !session->Ended())
                      sink.OnParticipantStateChange(participant, p);
              });
    }
    // The remote picture starts with the streams of a call that carries video.
    if (state == linphone::Call::State::StreamsRunning && !session->VideoStarted) {
        const auto params = call->getCurrentParams();
        if (params && params->videoEnabled() &&
            params->getVideoDirection() != linphone::MediaDirection::SendOnly &&
            params->getVideoDirection() != linphone::MediaDirection::Inactive) {
            session->VideoStarted = true;
            if (m_videoWindow)
                call->setNativeVideoWindowId(m_videoWindow->NativeId());
            Queue(MediaClass, [](IClientEvents& sink) {
                sink.OnMediaEvent(VideoReceive, MediaEventType::Started);
            });
        }
    }
    if (session->Ended()) {
        if (session->VideoStarted) {
            session->VideoStarted = false;
            // No stale last picture after the call.
            if (m_videoWindow)
                m_videoWindow->hide();
            Queue(MediaClass, [](IClientEvents& sink) {
                sink.OnMediaEvent(VideoReceive, MediaEventType::Stopped);
            });
        }
        // liblinphone lets go of the call after End or Error; so do we.
        m_sessions.erase(it);
    }
}

void LinphoneRtcClient::OnAudioDevicesChanged()
{
    Queue(ClientClass,
          [](IClientEvents& sink) { sink.OnClientEvent(ClientEventType::DeviceChange); });
}

void LinphoneRtcClient::Queue(int eventClass, std::function<void(IClientEvents&)> deliver)
{
    m_pending.push_back({eventClass, std::move(deliver)});
    if (!m_deliveryPosted) {
        m_deliveryPosted = true;
        QCoreApplication::postEvent(this, new QEvent(kDeliver));
    }
}

void LinphoneRtcClient::customEvent(QEvent* event)
{
    if (event->type() != kDeliver)
        return;
    m_deliveryPosted = false;
    if (m_pending.empty())
        return;
    Pending next = std::move(m_pending.front());
    m_pending.pop_front();
    // The rest come on later turns; the handler may destroy this client, which takes its
    // posted events with it.
    if (!m_pending.empty()) {
        m_deliveryPosted = true;
        QCoreApplication::postEvent(this, new QEvent(kDeliver));
    }
    if (m_sink && (m_filter & next.Class))
        next.Deliver(*m_sink);
}

} // namespace rtc
