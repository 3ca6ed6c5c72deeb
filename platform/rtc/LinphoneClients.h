#pragma once

#include "platform/rtc/AudioDevices.h"
#include "platform/rtc/CallLibrary.h"
#include "platform/rtc/DeviceChoice.h"
#include "platform/rtc/LinphoneCore.h"
#include "platform/rtc/RtcClient.h"

#include <QObject>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <vector>

namespace linphone
{
class Core;
class Player;
} // namespace linphone

namespace rtc
{

// The program's call clients over liblinphone, and the machine's devices and a tone
// player for the device picker and the beeps. Each client gets the user's device choice
// as it is when the client is made, this machine's LAN address, and what the environment
// asks for:
//   PALAVO_AUDIO_IN=<wav>   play this 16-bit WAV into calls instead of a microphone
//   PALAVO_AUDIO_OUT=<wav>  record what calls play to this WAV instead of a speaker
//   PALAVO_TEST_CAMERA=1    offer the media library's synthetic picture as the camera
//
// The program reaches it through the call module (CallModule.cpp) as an ICallLibrary.
class LinphoneClients : public QObject, public IClientFactory, public ICallLibrary
{
public:
    // `iniPath`: the settings file that holds the device choice ("Palavo.ini"), read
    // whenever a client is made and written by the device picker.
    explicit LinphoneClients(QString iniPath);
    ~LinphoneClients() override;

    std::unique_ptr<IClient> CreateClient() override { return CreateClient(0); }
    std::unique_ptr<IClient> CreateClient(int sipPort) override;

    // What a client made now would report as its MediaCapabilities, from a core that
    // opens no port and is stopped again; -1 when no core starts.
    int ProbeMediaCapabilities() const;

    std::vector<MediaDevice> Microphones() override;
    std::vector<MediaDevice> Speakers() override;
    std::vector<MediaDevice> Cameras() override;

    bool PlayTone(int frequency, int durationMs, const QString& speakerId) override;

    // What the next client is made with.
    CoreSetup ClientSetup() const;

private:
    // A core that opens no port, for listing devices and playing tones; made on first use.
    linphone::Core* DeviceCore();
    std::vector<MediaDevice> AudioDevices(bool capture);

    QString m_iniPath;
    std::shared_ptr<linphone::Core> m_deviceCore;
    QTimer m_iterate;
    QTemporaryDir m_toneDir;
    std::vector<std::shared_ptr<linphone::Player>> m_tones;
    int m_toneCount = 0;
};

// A 16-bit mono WAV of a sine tone, for the tone player.
QByteArray ToneWav(int frequency, int durationMs, int sampleRate = 16000);

} // namespace rtc
