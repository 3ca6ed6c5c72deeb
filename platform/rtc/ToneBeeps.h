#pragma once

#include "platform/BeepService.h"
#include "platform/rtc/AudioDevices.h"

#include <QString>

namespace rtc
{

// The product's beeps as the tone they ask for (1000 Hz for 200 ms when a file is
// offered, 2000 Hz for 1000 ms when it has arrived), played on the speaker of the saved
// device choice, so that they sound where calls sound. Where the machine has no audio
// output, and for IBeepService::DesktopBeep, the desktop's own beep sounds instead.
class ToneBeeps : public IBeepService
{
public:
    // `player` and `desktop` are the program's and outlive this; `iniPath` is the
    // settings file that holds the device choice, read again on every beep so that a
    // choice made in the device picker applies to the next one.
    ToneBeeps(ITonePlayer& player, IBeepService& desktop, QString iniPath);

    void Beep(int frequency, int durationMs) override;

private:
    ITonePlayer& m_player;
    IBeepService& m_desktop;
    QString m_iniPath;
};

// For a program without a call client: no audio output, so every beep is the desktop's.
class NoTonePlayer : public ITonePlayer
{
public:
    bool PlayTone(int, int, const QString&) override { return false; }
};

} // namespace rtc
