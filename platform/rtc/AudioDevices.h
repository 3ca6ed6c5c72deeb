#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The machine's media devices as the call client sees them, for the device picker and
// for the product's beeps. Made over liblinphone by the program (LinphoneRtcClient's
// module); tests hand in their own.
namespace rtc
{

struct MediaDevice {
    QString Id;   // what the media library calls it; stored in the settings
    QString Name; // what the user reads
};

class IDeviceCatalog
{
public:
    virtual ~IDeviceCatalog() = default;
    virtual std::vector<MediaDevice> Microphones() = 0;
    virtual std::vector<MediaDevice> Speakers() = 0;
    // Real cameras only (no still picture).
    virtual std::vector<MediaDevice> Cameras() = 0;
};

// Plays sounds on the speaker the user picked (or the default one).
class ITonePlayer
{
public:
    virtual ~ITonePlayer() = default;
    // A sine tone of `frequency` Hz for `durationMs` on the speaker `speakerId` (empty:
    // the machine's default one, as "既定" in the device picker; the beeps pass the saved
    // choice themselves); returns at once. False when the machine has no audio output to
    // play it on.
    virtual bool PlayTone(int frequency, int durationMs, const QString& speakerId) = 0;
};

} // namespace rtc
