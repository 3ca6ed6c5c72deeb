#include "platform/rtc/LinphoneMedia.h"

#include "platform/rtc/RtcClient.h"

#include <QFile>

#include <linphone++/linphone.hh>

namespace rtc
{

bool IsRealAudioDevice(const AudioDeviceInfo& device, bool alsaHasCards)
{
    // ALSA's "default" and its plug-ins exist on every machine, card or not.
    if (device.Driver.compare(QLatin1String("ALSA"), Qt::CaseInsensitive) == 0 && !alsaHasCards)
        return false;
    // The kernel's and the sound servers' stand-ins ("Dummy", "auto_null", "Null Output").
    for (const QString& text : {device.Id, device.Name})
        if (text.contains(QLatin1String("dummy"), Qt::CaseInsensitive) ||
            text.contains(QLatin1String("null"), Qt::CaseInsensitive))
            return false;
    return true;
}

bool IsRealCamera(const QString& id, bool testCamera)
{
    if (id.startsWith(QLatin1String("StaticImage")))
        return false;
    if (id.startsWith(QLatin1String("Mire")))
        return testCamera;
    return !id.isEmpty();
}

int MediaCapabilitiesOf(const MediaFacts& facts)
{
    bool capture = facts.UseFiles;
    bool playback = facts.UseFiles;
    for (const AudioDeviceInfo& device : facts.AudioDevices) {
        if (!IsRealAudioDevice(device, facts.AlsaHasCards))
            continue;
        capture = capture || device.CanRecord;
        playback = playback || device.CanPlay;
    }
    int caps = (capture && playback) ? (AudioSend | AudioReceive) : 0;
    for (const QString& camera : facts.Cameras)
        if (IsRealCamera(camera, facts.TestCamera)) {
            caps |= VideoSend | VideoReceive;
            break;
        }
    return caps;
}

bool AlsaHasCards()
{
    QFile cards(QStringLiteral("/proc/asound/cards"));
    if (!cards.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = cards.readAll().trimmed();
    return !text.isEmpty() && !text.contains("no soundcards");
}

std::vector<AudioDeviceInfo> AudioDevicesOf(linphone::Core& core)
{
    using Caps = linphone::AudioDevice::Capabilities;
    std::vector<AudioDeviceInfo> devices;
    for (const auto& device : core.getExtendedAudioDevices())
        devices.push_back({QString::fromStdString(device->getId()),
                           QString::fromStdString(device->getDeviceName()),
                           QString::fromStdString(device->getDriverName()),
                           device->hasCapability(Caps::CapabilityRecord),
                           device->hasCapability(Caps::CapabilityPlay)});
    return devices;
}

QStringList CamerasOf(linphone::Core& core)
{
    QStringList cameras;
    for (const std::string& id : core.getVideoDevicesList())
        cameras << QString::fromStdString(id);
    return cameras;
}

int MediaCapabilitiesOf(linphone::Core& core, bool useFiles, bool testCamera)
{
    MediaFacts facts;
    facts.AudioDevices = AudioDevicesOf(core);
    facts.Cameras = CamerasOf(core);
    facts.AlsaHasCards = AlsaHasCards();
    facts.UseFiles = useFiles;
    facts.TestCamera = testCamera;
    return MediaCapabilitiesOf(facts);
}

} // namespace rtc
