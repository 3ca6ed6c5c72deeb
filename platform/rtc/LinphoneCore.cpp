#include "platform/rtc/LinphoneCore.h"

#include "platform/HostInfo.h"

#include <QDir>

#include <linphone++/linphone.hh>

namespace rtc
{
namespace
{
std::string Std(const QString& text)
{
    return text.toStdString();
}

// The device of `id` among the core's sound devices that can do `capability`; null when
// it is not there.
std::shared_ptr<linphone::AudioDevice> FindAudioDevice(linphone::Core& core, const QString& id,
                                                       linphone::AudioDevice::Capabilities what)
{
    for (const auto& device : core.getExtendedAudioDevices())
        if (device->hasCapability(what) && (id.isEmpty() || device->getId() == Std(id)))
            return device;
    return nullptr;
}

} // namespace

void ChooseDevices(linphone::Core& core, const CoreSetup& setup)
{
    using Caps = linphone::AudioDevice::Capabilities;
    // The library's own choice may be a device that cannot be opened; an explicit one is
    // what makes the ring and the call use the speaker the user picked.
    auto microphone = FindAudioDevice(core, setup.Microphone, Caps::CapabilityRecord);
    if (!microphone)
        microphone = FindAudioDevice(core, {}, Caps::CapabilityRecord);
    auto speaker = FindAudioDevice(core, setup.Speaker, Caps::CapabilityPlay);
    if (!speaker)
        speaker = FindAudioDevice(core, {}, Caps::CapabilityPlay);
    if (microphone)
        core.setDefaultInputAudioDevice(microphone);
    if (speaker) {
        core.setDefaultOutputAudioDevice(speaker);
        core.setRingerDevice(speaker->getId());
    }
    if (!setup.Camera.isEmpty())
        core.setVideoDevice(Std(setup.Camera));
}

QString CoreConfigText(const QString& bindAddress)
{
    // No file of the core's own anywhere: settings come from this text, the databases
    // live in memory, and nothing is registered with a server. No OPTIONS is sent before
    // a call (the library's default, said here because a peer answers OPTIONS with 403,
    // see LinphoneGuards).
    QString text = QStringLiteral("[sip]\n"
                                  "sip_port=0\n"
                                  "sip_tcp_port=0\n"
                                  "sip_tls_port=0\n"
                                  "ping_with_options=0\n"
                                  "[storage]\n"
                                  "uri=:memory:\n"
                                  "call_logs_db_uri=:memory:\n"
                                  "[misc]\n"
                                  "history_db_uri=:memory:\n"
                                  "zrtp_secrets_file=:memory:\n"
                                  "[video]\n"
                                  "size=vga\n"
                                  // Media ports of the system's choosing: two
                                  // clients on one address would otherwise share
                                  // the default port and hear themselves.
                                  "[rtp]\n"
                                  "audio_rtp_port=-1\n"
                                  "video_rtp_port=-1\n");
    if (!bindAddress.isEmpty())
        text += QStringLiteral("bind_address=%1\n").arg(bindAddress);
    return text;
}

QString MediaPluginDir()
{
    return HostInfo::ExecutableDir() + QStringLiteral("/msplugins");
}

std::shared_ptr<linphone::Core> MakeCore(const CoreSetup& setup, QString* error)
{
    // The synthetic test picture is registered only when the media library sees DEBUG set
    // as it starts.
    if (setup.TestCamera)
        qputenv("DEBUG", "1");
    linphone::LoggingService::get()->setLogLevel(linphone::LogLevel::Fatal);
    const auto factory = linphone::Factory::get();
    factory->setMspluginsDir(Std(MediaPluginDir()));
    const auto config = factory->createConfigFromString(Std(CoreConfigText(setup.BindAddress)));
    std::shared_ptr<linphone::Core> core =
        config ? factory->createCoreWithConfig(config, nullptr) : nullptr;
    if (!core) {
        *error = QStringLiteral("The call library could not be set up.");
        return nullptr;
    }
    core->enableAutoIterate(false);
    core->setUserAgent("PalavoXP", "");

    // SIP over TCP on a port the system picks: a peer that is gone fails at once instead of
    // after UDP's retransmissions. A core that only plays sounds listens nowhere.
    const auto transports = factory->createTransports();
    transports->setUdpPort(0);
    transports->setTlsPort(0);
    transports->setDtlsPort(0);
    transports->setTcpPort(!setup.Sip ? 0 : setup.SipPort > 0 ? setup.SipPort : -1);
    core->setTransports(transports);
    // The port is for calls between two of us, nothing else: instant messages are refused
    // (the core's own chat would answer anyone on the LAN and keep what they send), and
    // nobody may turn video on in a call after it was agreed without.
    core->disableChat(linphone::Reason::NotAcceptable);
    const auto videoPolicy = factory->createVideoActivationPolicy();
    videoPolicy->setAutomaticallyAccept(false);
    videoPolicy->setAutomaticallyInitiate(false);
    core->setVideoActivationPolicy(videoPolicy);

    if (setup.UseFiles()) {
        core->setUseFiles(true);
        core->setPlayFile(Std(setup.PlayFile));
        core->setRecordFile(Std(setup.RecordFile));
    }
    core->enableVideoCapture(true);
    core->enableVideoDisplay(true);
    core->enableVideoPreview(false);
    // The receive window shows the partner alone; there is no preview window.
    core->enableSelfView(false);
    // Video goes into our own window through OpenGL on X11 (see LinphoneVideoWindow).
    core->setVideoDisplayFilter("MSGLXVideo");
    if (setup.TestCamera)
        for (const std::string& camera : core->getVideoDevicesList())
            if (camera.starts_with("Mire"))
                core->setVideoDevice(camera);

    if (core->start() != 0) {
        *error = QStringLiteral("The call library did not start.");
        return nullptr;
    }
    ChooseDevices(*core, setup);
    if (setup.Sip && SipTcpPort(*core) <= 0) {
        core->stop();
        *error = QStringLiteral("No TCP port could be opened for calls.");
        return nullptr;
    }
    return core;
}

int SipTcpPort(linphone::Core& core)
{
    const auto used = core.getTransportsUsed();
    return used ? used->getTcpPort() : 0;
}

} // namespace rtc
