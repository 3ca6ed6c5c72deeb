#include "platform/rtc/DeferredRtcClient.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

namespace rtc
{
namespace
{
const QString kNotInitialized = QStringLiteral("The call client is not initialized.");
} // namespace

DeferredRtcClient::DeferredRtcClient(Library library, Probe probe, DevicePicker picker,
                                     QString host)
    : m_library(std::move(library)), m_probe(std::move(probe)), m_picker(std::move(picker)),
      m_host(std::move(host))
{
}

DeferredRtcClient::~DeferredRtcClient()
{
    m_real.reset();
    ReleasePort();
}

bool DeferredRtcClient::ReservePort(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(uint16_t(port));
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return false;
    }
    m_portSocket = fd;
    m_port = ntohs(address.sin_port);
    return true;
}

void DeferredRtcClient::ReleasePort()
{
    if (m_portSocket >= 0)
        ::close(m_portSocket);
    m_portSocket = -1;
}

void DeferredRtcClient::Advise(IClientEvents* sink)
{
    m_sink = sink;
    if (m_real)
        m_real->Advise(sink);
}

RtcStatus DeferredRtcClient::Initialize()
{
    if (m_initialized)
        return RtcStatus::Failed(QStringLiteral("The call client is already initialized."));
    if (!ReservePort(0))
        return RtcStatus::Failed(QStringLiteral("No TCP port could be opened for calls."));
    m_initialized = true;
    return RtcStatus::Ok();
}

RtcStatus DeferredRtcClient::SetEventFilter(int filter)
{
    if (!m_initialized)
        return RtcStatus::Failed(kNotInitialized);
    m_filter = filter;
    return m_real ? m_real->SetEventFilter(filter) : RtcStatus::Ok();
}

RtcStatus DeferredRtcClient::SetPreferredMediaTypes(int mask, bool persistent)
{
    if (!m_initialized)
        return RtcStatus::Failed(kNotInitialized);
    m_media = {mask, persistent};
    return m_real ? m_real->SetPreferredMediaTypes(mask, persistent) : RtcStatus::Ok();
}

RtcStatus DeferredRtcClient::SetLocalUserName(const QString& name)
{
    if (!m_initialized)
        return RtcStatus::Failed(kNotInitialized);
    m_userName = name;
    return m_real ? m_real->SetLocalUserName(name) : RtcStatus::Ok();
}

RtcStatus DeferredRtcClient::SetLocalUserURI(const QString& uri)
{
    if (!m_initialized)
        return RtcStatus::Failed(kNotInitialized);
    m_userUri = uri;
    return m_real ? m_real->SetLocalUserURI(uri) : RtcStatus::Ok();
}

RtcStatus DeferredRtcClient::SetListenForIncomingSessions(int mode)
{
    if (!m_initialized)
        return RtcStatus::Failed(kNotInitialized);
    m_listenMode = mode;
    return m_real ? m_real->SetListenForIncomingSessions(mode) : RtcStatus::Ok();
}

RtcResult<QStringList> DeferredRtcClient::NetworkAddresses(bool tcp, bool external)
{
    using Result = RtcResult<QStringList>;
    if (m_real)
        return m_real->NetworkAddresses(tcp, external);
    if (!m_initialized)
        return Result::Failed(kNotInitialized);
    if (external)
        return Result::Of({});
    return Result::Of({QStringLiteral("%1:%2").arg(m_host).arg(m_port)});
}

RtcResult<int> DeferredRtcClient::MediaCapabilities()
{
    if (m_real)
        return m_real->MediaCapabilities();
    if (!m_initialized)
        return RtcResult<int>::Failed(kNotInitialized);
    return m_probe();
}

RtcStatus DeferredRtcClient::Start()
{
    if (m_real)
        return RtcStatus::Ok();
    if (!m_initialized)
        return RtcStatus::Failed(kNotInitialized);
    const RtcResult<ICallLibrary*> library = m_library();
    if (!library.ok())
        return library.status;
    // The real client binds the port we announced; ours lets go of it just before.
    ReleasePort();
    std::unique_ptr<IClient> real = library.value->CreateClient(m_port);
    auto fail = [&](const RtcStatus& status) {
        if (real)
            real->Advise(nullptr);
        real.reset();
        // Held again for the next try; should another program have taken it meanwhile,
        // that try fails as this one did.
        ReservePort(m_port);
        return status;
    };
    if (!real)
        return fail(RtcStatus::Failed(QStringLiteral("The call library made no client.")));
    real->Advise(m_sink);
    if (RtcStatus status = real->Initialize(); !status)
        return fail(status);
    // What the manager set, in the order it set it.
    const std::function<RtcStatus()> steps[] = {
        [&] { return m_filter ? real->SetEventFilter(*m_filter) : RtcStatus::Ok(); },
        [&] {
            return m_media ? real->SetPreferredMediaTypes(m_media->first, m_media->second)
                           : RtcStatus::Ok();
        },
        [&] { return m_userName ? real->SetLocalUserName(*m_userName) : RtcStatus::Ok(); },
        [&] {
            return m_listenMode ? real->SetListenForIncomingSessions(*m_listenMode)
                                : RtcStatus::Ok();
        },
        [&] { return m_userUri ? real->SetLocalUserURI(*m_userUri) : RtcStatus::Ok(); },
    };
    for (const auto& step : steps)
        if (RtcStatus status = step(); !status)
            return fail(status);
    // Partners are told the port we announced; a client listening elsewhere would never
    // be called.
    const RtcResult<QStringList> addresses = real->NetworkAddresses(false, false);
    if (!addresses.ok())
        return fail(addresses.status);
    if (addresses.value.value(0).section(u':', -1).toInt() != m_port)
        return fail(RtcStatus::Failed(
            QStringLiteral("The call client could not listen on port %1.").arg(m_port)));
    m_real = std::move(real);
    return RtcStatus::Ok();
}

RtcStatus DeferredRtcClient::PrepareForCall()
{
    return Start();
}

RtcResult<std::shared_ptr<ISession>> DeferredRtcClient::CreateSession()
{
    if (RtcStatus status = Start(); !status)
        return {status, nullptr};
    return m_real->CreateSession();
}

RtcStatus DeferredRtcClient::PlayRing(bool on)
{
    // Nothing rings before there is a client.
    if (!on && !m_real)
        return m_initialized ? RtcStatus::Ok() : RtcStatus::Failed(kNotInitialized);
    // A ring means a call is offered: the client that will carry it starts now.
    if (RtcStatus status = Start(); !status)
        return status;
    return m_real->PlayRing(on);
}

RtcStatus DeferredRtcClient::InvokeTuningWizard()
{
    if (m_real)
        return m_real->InvokeTuningWizard();
    if (!m_picker)
        return RtcStatus::Failed(QStringLiteral("This program has no device picker."));
    // The choice is saved (or the user cancelled); the real client, made later, starts
    // with what is saved then.
    m_picker();
    return RtcStatus::Ok();
}

RtcResult<bool> DeferredRtcClient::IsT120AppletRunning(T120Applet applet)
{
    // No applet runs without a client.
    return m_real ? m_real->IsT120AppletRunning(applet) : RtcResult<bool>::Of(false);
}

RtcStatus DeferredRtcClient::StartT120Applet(T120Applet applet)
{
    if (RtcStatus status = Start(); !status)
        return status;
    return m_real->StartT120Applet(applet);
}

RtcResult<IVideoWindow*> DeferredRtcClient::VideoWindow(VideoWindowKind kind)
{
    if (RtcStatus status = Start(); !status)
        return {status, nullptr};
    return m_real->VideoWindow(kind);
}

} // namespace rtc
