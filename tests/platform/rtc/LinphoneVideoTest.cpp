// Video between two call clients on a real X display (each case under xvfb-run): the
// media library's test picture goes out as the camera and shows in the partner's window.
#include "RtcTestClient.h"

#include "support/EventWaiter.h"
#include "support/Screen.h"

#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace
{
constexpr int VoiceAndVideo = 15;

rtc::CoreSetup CameraSetup(const QTemporaryDir& dir, const char* recording)
{
    rtc::CoreSetup setup = FileSetup(QString(), dir.filePath(QString::fromLatin1(recording)));
    setup.TestCamera = true;
    return setup;
}

TEST(LinphoneVideo, ThePartnersPictureShowsInTheReceiveWindow)
{
    if (const QString why = XDisplayMissing(); !why.isEmpty())
        GTEST_SKIP() << why;
    ASSERT_EQ(LinphoneStartFailure(), QString());
    QTemporaryDir dir;
    RtcTestClient caller(CameraSetup(dir, "caller.wav"), VoiceAndVideo, true);
    RtcTestClient callee(CameraSetup(dir, "callee.wav"), VoiceAndVideo, false);
    ASSERT_EQ(caller.Start("caller"), QString());
    ASSERT_EQ(callee.Start("callee"), QString());
    const auto caps = caller.Client().MediaCapabilities();
    ASSERT_TRUE(caps.ok());
    if ((caps.value & rtc::VideoSend) == 0)
        GTEST_SKIP() << "the media library offers no test picture here";

    // The manager opens the receive window when the remote video starts.
    callee.Session = callee.Client().CreateSession().value;
    ASSERT_TRUE(callee.Session->AddParticipant(caller.CallAddress(), "callee").ok());
    ASSERT_TRUE(WaitUntil([&] { return caller.Count("media 8 Started") == 1; }, 15000))
        << caller.Events.join(", ");
    ASSERT_TRUE(WaitUntil([&] { return callee.Count("media 8 Started") == 1; }, 15000))
        << callee.Events.join(", ");
    const auto window = caller.Client().VideoWindow(rtc::VideoWindowKind::Receive);
    ASSERT_TRUE(window.ok()) << window.status.description();
    ASSERT_TRUE(window.value->SetVisible(true).ok());
    // The same window every time.
    EXPECT_EQ(caller.Client().VideoWindow(rtc::VideoWindowKind::Receive).value, window.value);

    auto* widget = dynamic_cast<QWidget*>(window.value);
    ASSERT_NE(widget, nullptr);
    QImage shot;
    // The moving test picture has many colours; an empty window has one.
    const bool shown = WaitUntil(
        [&] {
            shot = OnScreen(*widget);
            return Colours(shot, 50) >= 50;
        },
        15000);
    SaveArtifact(shot, QStringLiteral("rtc-receive-video.png"));
    EXPECT_TRUE(shown) << "colours: " << Colours(shot, 50);

    ASSERT_TRUE(callee.Session->Terminate(rtc::NormalTermination).ok());
    ASSERT_TRUE(WaitUntil([&] { return caller.Count("media 8 Stopped") == 1; }));
    EXPECT_FALSE(widget->isVisible());
}

} // namespace

namespace
{
TEST(LinphoneVideo, VideoFlowsOnlyWhenBothSidesWantIt)
{
    if (const QString why = XDisplayMissing(); !why.isEmpty())
        GTEST_SKIP() << why;
    ASSERT_EQ(LinphoneStartFailure(), QString());
    struct Case {
        const char* what;
        int callerMedia, calleeMedia;
        bool video;
    };
    const Case cases[] = {
        {"the callee places a voice call", VoiceAndVideo, 3, false},
        {"the caller answers with voice only", 3, VoiceAndVideo, false},
        {"both want video", VoiceAndVideo, VoiceAndVideo, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        RtcTestClient caller(CameraSetup(dir, "caller.wav"), c.callerMedia, true);
        RtcTestClient callee(CameraSetup(dir, "callee.wav"), c.calleeMedia, false);
        ASSERT_EQ(caller.Start("caller"), QString());
        ASSERT_EQ(callee.Start("callee"), QString());
        callee.Session = callee.Client().CreateSession().value;
        ASSERT_TRUE(callee.Session->AddParticipant(caller.CallAddress(), "callee").ok());
        ASSERT_TRUE(WaitUntil([&] {
            return caller.Count("participant Connected") && callee.Count("participant Connected");
        }));
        // What both clients agreed on, as they report it; the picture follows, or never comes.
        const std::vector<int> agreed{c.video ? VoiceAndVideo : 3};
        EXPECT_TRUE(WaitUntil([&] {
            return caller.Client().CallMedia() == agreed && callee.Client().CallMedia() == agreed;
        }));
        if (c.video)
            WaitUntil(
                [&] { return caller.Count("media 8 Started") && callee.Count("media 8 Started"); },
                15000);
        EXPECT_EQ(caller.Count("media 8 Started"), c.video ? 1 : 0) << caller.Events.join(", ");
        EXPECT_EQ(callee.Count("media 8 Started"), c.video ? 1 : 0) << callee.Events.join(", ");
    }
}
} // namespace
