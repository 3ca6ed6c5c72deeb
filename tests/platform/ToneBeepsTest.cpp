#include "platform/rtc/ToneBeeps.h"

#include "FakeAudioDevices.h"
#include "platform/rtc/DeviceChoice.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

const QString kSpeaker = QStringLiteral("ALSA: USB Audio (hw:1,0)");

// Which sound each beep becomes: the tone on the saved speaker, or the desktop's beep
// where there is no audio output and where no tone is asked for.
TEST(ToneBeeps, TonesOnTheSpeakerElseTheDesktopBeep)
{
    using Beeps = std::vector<std::pair<int, int>>;
    struct Case {
        const char* what;
        bool hasOutput;
        int frequency;
        int durationMs;
        std::vector<PlayedTone> played;
        Beeps desktop;
    };
    const Case cases[] = {
        {"offer", true, 1000, 200, {{1000, 200, kSpeaker}}, {}},
        {"arrived", true, 2000, 1000, {{2000, 1000, kSpeaker}}, {}},
        {"no output", false, 2000, 1000, {{2000, 1000, kSpeaker}}, {{2000, 1000}}},
        {"desktop beep", true, IBeepService::DesktopBeep, 0, {}, {{0, 0}}},
        {"desktop beep with a length", true, IBeepService::DesktopBeep, 300, {}, {{0, 300}}},
        {"no length", true, 1000, 0, {}, {{1000, 0}}},
    };
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Palavo.ini"));
    ASSERT_TRUE(rtc::SaveDeviceChoice(ini, {QString(), kSpeaker, QString()}));
    for (const Case& c : cases) {
        RecordingTonePlayer player;
        player.hasOutput = c.hasOutput;
        RecordingBeeps desktop;
        rtc::ToneBeeps beeps(player, desktop, ini);
        beeps.Beep(c.frequency, c.durationMs);
        EXPECT_EQ(player.played, c.played) << c.what;
        EXPECT_EQ(desktop.beeps, c.desktop) << c.what;
    }
}

// A speaker picked while the program runs is the one the next beep plays on.
TEST(ToneBeeps, FollowsTheSavedSpeaker)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Palavo.ini"));
    RecordingTonePlayer player;
    RecordingBeeps desktop;
    rtc::ToneBeeps beeps(player, desktop, ini);
    beeps.Beep(1000, 200); // nothing saved yet: the default speaker
    ASSERT_TRUE(rtc::SaveDeviceChoice(ini, {QString(), kSpeaker, QString()}));
    beeps.Beep(1000, 200);
    EXPECT_EQ(player.played,
              (std::vector<PlayedTone>{{1000, 200, QString()}, {1000, 200, kSpeaker}}));
    EXPECT_TRUE(desktop.beeps.empty());
}

} // namespace
