#include "platform/rtc/LinphoneClients.h"

#include "platform/HostInfo.h"
#include "platform/rtc/LinphoneMedia.h"
#include "platform/rtc/LinphoneRtcClient.h"
#include "platform/rtc/TuningWizard.h"

#include <QFile>

#include <linphone++/linphone.hh>

#include <cmath>
#include <numbers>

namespace rtc
{
namespace
{
void PutLe(QByteArray& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

bool TestCameraWanted()
{
    return qEnvironmentVariable("PALAVO_TEST_CAMERA") == QLatin1String("1");
}

// "Driver: Name" as the media library lists cameras; the name is what the user reads.
QString CameraName(const QString& id)
{
    const qsizetype colon = id.indexOf(QLatin1String(": "));
    return colon < 0 ? id : id.mid(colon + 2);
}
} // namespace

QByteArray ToneWav(int frequency, int durationMs, int sampleRate)
{
    const int count = int(qint64(sampleRate) * durationMs / 1000);
    QByteArray wav;
    wav.append("RIFF");
    PutLe(wav, 36 + 2 * count, 4);
    wav.append("WAVEfmt ");
    PutLe(wav, 16, 4);
    PutLe(wav, 1, 2); // PCM
    PutLe(wav, 1, 2); // mono
    PutLe(wav, sampleRate, 4);
    PutLe(wav, sampleRate * 2, 4);
    PutLe(wav, 2, 2);
    PutLe(wav, 16, 2);
    wav.append("data");
    PutLe(wav, 2 * count, 4);
    // Short fades keep the tone from clicking at either end.
    const int fade = std::min(count / 2, sampleRate / 200);
    for (int i = 0; i < count; ++i) {
        double gain = 0.5;
        if (i < fade)
            gain *= double(i) / fade;
        else if (count - i < fade)
            gain *= double(count - i) / fade;
        const double sample =
            gain * std::sin(2.0 * std::numbers::pi * frequency * i / double(sampleRate));
        PutLe(wav, uint16_t(int16_t(std::lround(sample * 32767.0))), 2);
    }
    return wav;
}

LinphoneClients::LinphoneClients(QString iniPath) : m_iniPath(std::move(iniPath))
{
    m_iterate.setInterval(20);
    connect(&m_iterate, &QTimer::timeout, this, [this] {
        if (m_deviceCore)
            m_deviceCore->iterate();
    });
}

LinphoneClients::~LinphoneClients()
{
    m_iterate.stop();
    for (const auto& tone : m_tones)
        tone->close();
    m_tones.clear();
    if (m_deviceCore)
        m_deviceCore->stop();
}

CoreSetup LinphoneClients::ClientSetup() const
{
    CoreSetup setup;
    setup.BindAddress = HostInfo::LocalIPv4Address();
    setup.PlayFile = qEnvironmentVariable("PALAVO_AUDIO_IN");
    setup.RecordFile = qEnvironmentVariable("PALAVO_AUDIO_OUT");
    setup.TestCamera = TestCameraWanted();
    const DeviceChoice choice = LoadDeviceChoice(m_iniPath);
    setup.Microphone = choice.Microphone;
    setup.Speaker = choice.Speaker;
    setup.Camera = choice.Camera;
    return setup;
}

std::unique_ptr<IClient> LinphoneClients::CreateClient(int sipPort)
{
    // The picker shows and saves the choice in the settings file; the client then uses it.
    auto picker = [this]() -> std::optional<DeviceChoice> {
        if (!TuningWizard::Run(*this, *this, m_iniPath))
            return std::nullopt;
        return LoadDeviceChoice(m_iniPath);
    };
    CoreSetup setup = ClientSetup();
    setup.SipPort = sipPort;
    return std::make_unique<LinphoneRtcClient>(setup, picker);
}

int LinphoneClients::ProbeMediaCapabilities() const
{
    CoreSetup setup = ClientSetup();
    setup.Sip = false;
    QString error;
    const auto core = MakeCore(setup, &error);
    if (!core)
        return -1;
    const int caps = MediaCapabilitiesOf(*core, setup.UseFiles(), setup.TestCamera);
    core->stop();
    return caps;
}

linphone::Core* LinphoneClients::DeviceCore()
{
    if (!m_deviceCore) {
        CoreSetup setup;
        setup.Sip = false;
        setup.TestCamera = TestCameraWanted();
        QString error;
        m_deviceCore = MakeCore(setup, &error);
    }
    return m_deviceCore.get();
}

std::vector<MediaDevice> LinphoneClients::AudioDevices(bool capture)
{
    std::vector<MediaDevice> devices;
    linphone::Core* core = DeviceCore();
    if (!core)
        return devices;
    const bool cards = AlsaHasCards();
    for (const AudioDeviceInfo& device : AudioDevicesOf(*core))
        if (IsRealAudioDevice(device, cards) && (capture ? device.CanRecord : device.CanPlay))
            devices.push_back({device.Id, device.Name});
    return devices;
}

std::vector<MediaDevice> LinphoneClients::Microphones()
{
    return AudioDevices(true);
}

std::vector<MediaDevice> LinphoneClients::Speakers()
{
    return AudioDevices(false);
}

std::vector<MediaDevice> LinphoneClients::Cameras()
{
    std::vector<MediaDevice> cameras;
    linphone::Core* core = DeviceCore();
    if (!core)
        return cameras;
    const bool testCamera = TestCameraWanted();
    for (const QString& id : CamerasOf(*core))
        if (IsRealCamera(id, testCamera))
            cameras.push_back({id, CameraName(id)});
    return cameras;
}

bool LinphoneClients::PlayTone(int frequency, int durationMs, const QString& speakerId)
{
    if (frequency <= 0 || durationMs <= 0 || !m_toneDir.isValid())
        return false;
    const std::vector<MediaDevice> speakers = Speakers();
    if (speakers.empty())
        return false;
    QString speaker = speakerId.isEmpty() ? LoadDeviceChoice(m_iniPath).Speaker : speakerId;
    const bool known = std::any_of(speakers.begin(), speakers.end(),
                                   [&](const MediaDevice& d) { return d.Id == speaker; });
    if (!known)
        speaker = speakers.front().Id;

    const QString path = m_toneDir.filePath(QStringLiteral("tone%1.wav").arg(++m_toneCount));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ToneWav(frequency, durationMs)) < 0)
        return false;
    file.close();
    const auto player = m_deviceCore->createLocalPlayer(speaker.toStdString(), "", nullptr);
    if (!player || player->open(path.toStdString()) != 0 || player->start() != 0)
        return false;
    m_tones.push_back(player);
    // The library runs only while it has a tone to play.
    m_iterate.start();
    // Closed a little after its end, which also lets the sound card go.
    QTimer::singleShot(durationMs + 200, this, [this, player, path] {
        player->close();
        std::erase(m_tones, player);
        if (m_tones.empty())
            m_iterate.stop();
        QFile::remove(path);
    });
    return true;
}

} // namespace rtc
