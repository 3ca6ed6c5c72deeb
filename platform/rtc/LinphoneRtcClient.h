#pragma once

#include "platform/rtc/DeviceChoice.h"
#include "platform/rtc/LinphoneCore.h"
#include "platform/rtc/RtcClient.h"

#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace linphone
{
class Call;
class Core;
class Player;
} // namespace linphone

namespace rtc
{

class LinphoneCoreListener;
class LinphoneSession;
class LinphoneVideoWindow;
struct CallContext;

// The call client over liblinphone. Lives on the thread that made it: a 20 ms timer there
// runs the library, and what the library reports is queued and handed to the sink one
// event per turn of the event loop, never from inside the library or an operation.
//
// The event filter starts at 0, as the original client's did: nothing is delivered until
// SetEventFilter lets a class through. Told: session and participant states (each moment
// of a call once), the start and stop of the partner's video, device changes. Never told,
// as nothing here makes them: registration, operation-complete, messaging, buddy, watcher
// and profile events. One call at a time: a call that comes in during another is turned
// away as busy before the manager hears of it.
class LinphoneRtcClient : public QObject, public IClient
{
public:
    // Runs the device picker; the devices it saved, or nothing when the user cancelled.
    using DevicePicker = std::function<std::optional<DeviceChoice>()>;

    explicit LinphoneRtcClient(CoreSetup setup, DevicePicker picker = {},
                               QObject* parent = nullptr);
    ~LinphoneRtcClient() override;

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

    // The calls the library holds now, each as the MediaType bits it carries as agreed with
    // the peer (not as asked for): read-only, for whoever watches the client from outside.
    std::vector<int> CallMedia() const;

    // From the core's listener.
    void OnCallCreated(const std::shared_ptr<linphone::Call>& call);
    void OnCallState(const std::shared_ptr<linphone::Call>& call, int state);
    void OnAudioDevicesChanged();

protected:
    void customEvent(QEvent* event) override;

private:
    // One event for the sink, and the filter class it belongs to.
    struct Pending {
        int Class;
        std::function<void(IClientEvents&)> Deliver;
    };
    void Queue(int eventClass, std::function<void(IClientEvents&)> deliver);
    RtcStatus ApplyIdentity();
    void StopCore();

    CoreSetup m_setup;
    DevicePicker m_picker;
    std::shared_ptr<CallContext> m_context;
    std::shared_ptr<LinphoneCoreListener> m_listener;
    QTimer m_iterate;
    IClientEvents* m_sink = nullptr;
    int m_filter = 0;
    int m_listenMode = 0;
    QString m_userName;
    QString m_userUri;
    std::deque<Pending> m_pending;
    bool m_deliveryPosted = false;
    std::map<const linphone::Call*, std::shared_ptr<LinphoneSession>> m_sessions;
    std::shared_ptr<linphone::Player> m_ring;
    std::unique_ptr<LinphoneVideoWindow> m_videoWindow;
};

} // namespace rtc
