#pragma once

#include "platform/BeepService.h"
#include "platform/rtc/AudioDevices.h"

#include <QString>

#include <ostream>
#include <utility>
#include <vector>

// Stand-ins for the call client's device catalogue and tone player, and for the desktop's
// beep: each answers what the test sets and records what it was asked.

struct FakeDeviceCatalog : rtc::IDeviceCatalog {
    std::vector<rtc::MediaDevice> microphones;
    std::vector<rtc::MediaDevice> speakers;
    std::vector<rtc::MediaDevice> cameras;

    std::vector<rtc::MediaDevice> Microphones() override { return microphones; }
    std::vector<rtc::MediaDevice> Speakers() override { return speakers; }
    std::vector<rtc::MediaDevice> Cameras() override { return cameras; }
};

struct PlayedTone {
    int frequency;
    int durationMs;
    QString speakerId;
    bool operator==(const PlayedTone&) const = default;
};

inline void PrintTo(const PlayedTone& tone, std::ostream* os)
{
    *os << tone.frequency << " Hz " << tone.durationMs << " ms on \""
        << tone.speakerId.toStdString() << '"';
}

struct RecordingTonePlayer : rtc::ITonePlayer {
    bool hasOutput = true;
    std::vector<PlayedTone> played;

    bool PlayTone(int frequency, int durationMs, const QString& speakerId) override
    {
        played.push_back({frequency, durationMs, speakerId});
        return hasOutput;
    }
};

struct RecordingBeeps : IBeepService {
    std::vector<std::pair<int, int>> beeps;

    void Beep(int frequency, int durationMs) override { beeps.emplace_back(frequency, durationMs); }
};
