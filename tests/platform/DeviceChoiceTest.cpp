#include "platform/rtc/DeviceChoice.h"

#include "platform/ProfileFile.h"
#include "support/PrintQString.h"

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

void PrintTo(const DeviceChoice& choice, std::ostream* os)
{
    *os << '{' << choice.Microphone.toStdString() << " | " << choice.Speaker.toStdString() << " | "
        << choice.Camera.toStdString() << '}';
}
} // namespace rtc

namespace
{

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Ids as the media library spells them survive a save and a load, each in its own key.
TEST(DeviceChoice, RoundTrip)
{
    const rtc::DeviceChoice cases[] = {
        {}, // all defaults
        {QStringLiteral("ALSA: HDA Intel PCH: ALC3246 Analog (hw:0,0)"),
         QStringLiteral("PulseAudio: alsa_output.pci-0000_00_1f.3.analog-stereo"),
         QStringLiteral("V4L2: /dev/video0")}, // colons, slashes, brackets
        {QStringLiteral("a=b;c"), QString(), QStringLiteral("# not a comment")},  // one default
        {QStringLiteral("USB マイク"), QStringLiteral("x"), QStringLiteral("y")}, // not ASCII
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Palavo.ini"));
    for (const rtc::DeviceChoice& choice : cases) {
        ASSERT_TRUE(rtc::SaveDeviceChoice(path, choice));
        EXPECT_EQ(rtc::LoadDeviceChoice(path), choice);
    }
}

// A file written by hand (other case, other sections, comments) is read and kept.
TEST(DeviceChoice, SharesTheSettingsFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Palavo.ini"));
    const QByteArray before = "[CHAT]\nport=2426\n; picked by hand\n[rtc]\nMICROPHONE = mic1\n"
                              "speaker=spk1\n[OPTION]\ndebug=1\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    EXPECT_EQ(rtc::LoadDeviceChoice(path),
              (rtc::DeviceChoice{QStringLiteral("mic1"), QStringLiteral("spk1"), QString()}));

    ASSERT_TRUE(
        rtc::SaveDeviceChoice(path, {QStringLiteral("mic2"), QString(), QStringLiteral("cam2")}));
    const QByteArray after = ReadBytes(path);
    for (const char* kept : {"[CHAT]\nport=2426\n; picked by hand\n", "[OPTION]\ndebug=1\n"})
        EXPECT_TRUE(after.contains(kept)) << kept << " lost from\n" << after.toStdString();
    // The keys that were there are written in place, not added a second time.
    EXPECT_EQ(after.toLower().count("microphone"), 1) << after.toStdString();
    EXPECT_EQ(after.toLower().count("[rtc]"), 1) << after.toStdString();
    const ProfileFile ini(path);
    EXPECT_EQ(ini.ReadString(u"RTC", u"Microphone"), QStringLiteral("mic2"));
    EXPECT_EQ(ini.ReadString(u"RTC", u"Speaker"), QString());
    EXPECT_EQ(ini.ReadString(u"RTC", u"Camera"), QStringLiteral("cam2"));
    EXPECT_EQ(ini.ReadString(u"CHAT", u"port"), QStringLiteral("2426"));
}

TEST(DeviceChoice, MissingFileIsDefaultsAndUnwritableFileFails)
{
    QTemporaryDir dir;
    EXPECT_EQ(rtc::LoadDeviceChoice(dir.filePath(QStringLiteral("none.ini"))), rtc::DeviceChoice{});
    const QString unwritable = dir.filePath(QStringLiteral("no/such/dir/Palavo.ini"));
    EXPECT_FALSE(rtc::SaveDeviceChoice(unwritable, {QStringLiteral("m"), {}, {}}));
}

} // namespace
