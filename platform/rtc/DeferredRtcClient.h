#pragma once

#include "platform/rtc/CallLibrary.h"
#include "platform/rtc/RtcClient.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace rtc
{

// A call client that starts the media library only when a call needs it. Until then it
// keeps what the manager set, holds the SIP port it announces (bound, so no other program
// takes it, but not listening, so nobody can call it), and answers MediaCapabilities from
// the start-up probe. The first operation that needs media (PrepareForCall, CreateSession,
// PlayRing(true), VideoWindow, StartT120Applet) makes the real client on that port, tells
// it everything the manager set, in the manager's order, and from then on passes every
// operation to it. The device picker runs without a client; its choice is saved and used
// by the real client when it is made.
class DeferredRtcClient : public QObject, public IClient
{
public:
    // The loaded call module, or why it could not be loaded.
    using Library = std::function<RtcResult<ICallLibrary*>()>;
    // What the machine can carry, found without a client of this process.
    using Probe = std::function<RtcResult<int>()>;
    // Shows the device picker; false when there is none.
    using DevicePicker = std::function<bool()>;

    // `host`: this machine's LAN address, reported with the port.
    DeferredRtcClient(Library library, Probe probe, DevicePicker picker, QString host);
    ~DeferredRtcClient() override;

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
    RtcStatus PrepareForCall() override;

    // The real client; null until a call needed it.
    IClient* Started() const { return m_real.get(); }

private:
    // Makes the real client, once.
    RtcStatus Start();
    bool ReservePort(int port);
    void ReleasePort();

    Library m_library;
    Probe m_probe;
    DevicePicker m_picker;
    QString m_host;
    std::unique_ptr<IClient> m_real;
    IClientEvents* m_sink = nullptr;
    bool m_initialized = false;
    int m_portSocket = -1;
    int m_port = 0;
    // What the manager set, for the real client.
    std::optional<int> m_filter;
    std::optional<std::pair<int, bool>> m_media;
    std::optional<QString> m_userName;
    std::optional<QString> m_userUri;
    std::optional<int> m_listenMode;
};

} // namespace rtc
