#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace linphone
{
class Core;
}

// Which of the media library's devices are real, and what calls the machine can carry.
// The library lists ALSA's "default" even on a machine without a sound card, a still
// picture as a camera, and sound servers' null sinks; none of them carries a call.
namespace rtc
{

struct AudioDeviceInfo {
    QString Id;
    QString Name;
    QString Driver;
    bool CanRecord = false;
    bool CanPlay = false;
};

// What the media library finds, and how the client was told to use it.
struct MediaFacts {
    std::vector<AudioDeviceInfo> AudioDevices;
    QStringList Cameras;
    // ALSA lists at least one sound card (/proc/asound/cards).
    bool AlsaHasCards = false;
    // Sound comes from and goes to files (PALAVO_AUDIO_IN / PALAVO_AUDIO_OUT).
    bool UseFiles = false;
    // The synthetic test picture counts as a camera (PALAVO_TEST_CAMERA=1).
    bool TestCamera = false;
};

bool IsRealAudioDevice(const AudioDeviceInfo& device, bool alsaHasCards);
// `testCamera`: the synthetic picture counts; the still picture never does.
bool IsRealCamera(const QString& id, bool testCamera);

// The MediaType bits: voice (1|2) with a real capture and a real playback device or with
// files, video (4|8) with a real camera. Never T.120.
int MediaCapabilitiesOf(const MediaFacts& facts);

// /proc/asound/cards names a card.
bool AlsaHasCards();

std::vector<AudioDeviceInfo> AudioDevicesOf(linphone::Core& core);
QStringList CamerasOf(linphone::Core& core);

// The MediaType bits of what `core` finds on this machine.
int MediaCapabilitiesOf(linphone::Core& core, bool useFiles, bool testCamera);

} // namespace rtc
