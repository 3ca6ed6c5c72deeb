#include "platform/rtc/DeviceChoice.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Found by argument-dependent lookup, for EXPECT_EQ and its failure messages.
namespace rtc
{
bool operator==(const DeviceChoice& a, const DeviceChoice& b)
{
    return a.Microphone == b.Microphone && a.Speaker == b.Speaker && a.Camera == b.Camera;
}
void PrintTo(const DeviceChoice& c, std::ostream* os)
{
    *os << '{' << c.Microphone.toStdString() << " | " << c.Speaker.toStdString() << " | "
        << c.Camera.toStdString() << '}';
}
} // namespace rtc

namespace
{

// Ids as the media library spells them survive a save and a load, each in its own key;
// no file is all defaults, and a file that cannot be made is a failure.
TEST(DeviceChoice, RoundTrip)
{
    const rtc::DeviceChoice cases[] = {
        {QStringLiteral("ALSA: HDA Intel PCH: ALC3246 Analog (hw:0,0)"),
         QStringLiteral("PulseAudio: alsa_output.pci-0000_00_1f.3.analog-stereo"),
         QStringLiteral("V4L2: /dev/video0")},
        {QStringLiteral("a=b;c"), QString(), QStringLiteral("# not a comment")},
        {QStringLiteral("USB マイク"), QStringLiteral("x"), QStringLiteral("y")},
        {},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Palavo.ini"));
    EXPECT_EQ(rtc::LoadDeviceChoice(path), rtc::DeviceChoice{});
    for (const rtc::DeviceChoice& choice : cases) {
        ASSERT_TRUE(rtc::SaveDeviceChoice(path, choice));
        EXPECT_EQ(rtc::LoadDeviceChoice(path), choice);
    }
    EXPECT_FALSE(rtc::SaveDeviceChoice(dir.filePath(QStringLiteral("no/Palavo.ini")), cases[0]));
}

// A file written by hand (other case, other sections, comments) is read and kept.
TEST(DeviceChoice, SharesTheSettingsFile)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("Palavo.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[CHAT]\nport=2426\n; by hand\n[rtc]\nMICROPHONE = mic1\nspeaker=spk1\n"
               "[OPTION]\ndebug=1\n");
    file.close();
    EXPECT_EQ(rtc::LoadDeviceChoice(file.fileName()),
              (rtc::DeviceChoice{QStringLiteral("mic1"), QStringLiteral("spk1"), QString()}));

    ASSERT_TRUE(rtc::SaveDeviceChoice(file.fileName(), {QStringLiteral("mic2"), {}, {}}));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // The keys that were there change in place; a missing one joins its section.
    EXPECT_EQ(file.readAll(), "[CHAT]\nport=2426\n; by hand\n[rtc]\nMICROPHONE = mic2\n"
                              "speaker=\nCamera=\n[OPTION]\ndebug=1\n");
}

} // namespace
