// A video call between two PalavoXP programs on the virtual LAN, pictured on a real X
// display (each case under xvfb-run): both offer the media library's synthetic camera,
// and each side's video window shows the other's moving picture.
#include "CallLanTest.h"

#include "support/EventWaiter.h"
#include "support/Screen.h"
#include "support/WavTone.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <iostream>

namespace
{

// The partner's picture fills the window; the media library may draw one's own camera
// small into the bottom right corner, which must not pass for the partner.
QImage Partner(const QImage& shot)
{
    return shot.copy(0, 0, shot.width() * 3 / 4, shot.height() * 3 / 4);
}

class XpVideoCall : public CallLanTest
{
protected:
    void SetUp() override
    {
        if (const QString missing = XDisplayMissing(); !missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
        CallLanTest::SetUp();
    }

    CallSettings VideoSettings(CallSettings s) const
    {
        s.Media = 3; // voice and video
        s.TestCamera = true;
        s.Platform = QStringLiteral("xcb");
        return s;
    }
};

TEST_F(XpVideoCall, EachSideSeesTheOthersPicture)
{
    ASSERT_TRUE(WriteToneWav(CallerSettings().AudioIn, 1000, 30000));
    ASSERT_TRUE(WriteToneWav(CalleeSettings().AudioIn, 600, 30000));
    ASSERT_NO_FATAL_FAILURE(
        StartBoth(VideoSettings(CallerSettings()), VideoSettings(CalleeSettings())));
    size_t callerFrom = 0, calleeFrom = 0;
    ASSERT_NO_FATAL_FAILURE(RequestCall(true, &callerFrom, &calleeFrom));
    ASSERT_TRUE(Callee().Ask(QStringLiteral("accept")).value("ok").toBool()) << Both();
    ASSERT_GE(ExpectStatus(Caller(), QStringLiteral("通話中です"), callerFrom), 0);
    ASSERT_GE(ExpectStatus(Callee(), QStringLiteral("通話中です"), calleeFrom), 0);

    struct Side {
        const char* who;
        CallCopy* copy;
        size_t from;
    };
    const Side sides[] = {{"callee", &Callee(), calleeFrom}, {"caller", &Caller(), callerFrom}};
    const QString dir = QStringLiteral(PALAVO_ARTIFACT_DIR);
    for (const Side& side : sides) {
        SCOPED_TRACE(side.who);
        const int shown = side.copy->WaitFor(
            [](const QJsonObject& o) {
                return o.contains(QStringLiteral("videoWindow")) && o.value("visible").toBool();
            },
            10000, side.from);
        ASSERT_GE(shown, 0) << "no video window opened\n" << Both();
        // A live picture moves: two pictures of the window a moment apart differ, and
        // neither is one flat colour. What was on the display before the window was drawn
        // into (another window, black) stays still, so it does not pass for video. The
        // first frames may take a while on a busy machine (two encoders, two decoders
        // and software OpenGL share its cores).
        const QString path = dir + QStringLiteral("/palavo-xp-video-%1.png").arg(side.who);
        const QString before = dir + QStringLiteral("/palavo-xp-video-%1-before.png").arg(side.who);
        QImage shot;
        QImage earlier;
        int colours = 0;
        const qint64 askedAt = CallCopy::NowNs();
        const bool moving = WaitUntil(
            [&] {
                if (!side.copy->Ask(QStringLiteral("shot ") + before, 10000).value("ok").toBool() ||
                    !side.copy->Ask(QStringLiteral("shot ") + path, 10000).value("ok").toBool())
                    return false;
                earlier = Partner(QImage(before));
                shot = QImage(path);
                colours = Colours(Partner(shot), 16);
                return colours > 2 && Colours(earlier, 16) > 2 && earlier != Partner(shot);
            },
            30000);
        QFile::remove(before);
        ASSERT_FALSE(shot.isNull()) << "no picture saved to " << path.toStdString() << "\n"
                                    << Both();
        std::cout << "[ artifact ] " << path.toStdString() << " (" << (moving ? "moving" : "still")
                  << " after " << (CallCopy::NowNs() - askedAt) / 1000000 << " ms)" << std::endl;
        EXPECT_GT(colours, 2) << "the video window shows one flat colour (" << shot.width() << "x"
                              << shot.height() << ")";
        EXPECT_TRUE(moving) << "the video window shows no moving picture of the partner";
    }
    // Drawing video keeps the programs busy: they may take a while to answer.
    EXPECT_TRUE(Caller().Ask(QStringLiteral("drop"), 15000).value("ok").toBool()) << Both();
}

// The callee is told video was asked for (the caller's raw request, on its SIP port) and
// offers it; the caller's user then asks without video: the call carries voice alone.
TEST_F(XpVideoCall, APeerOfferingVideoToAUserWhoDeclinedItGetsVoiceOnly)
{
    ASSERT_TRUE(WriteToneWav(CallerSettings().AudioIn, 1000, 30000));
    ASSERT_NO_FATAL_FAILURE(
        StartBoth(VideoSettings(CallerSettings()), VideoSettings(CalleeSettings())));
    const size_t calleeFrom = Callee().Lines().size();
    Caller().Ask(
        QStringLiteral("signal request %1 %2 video").arg(Callee().Address(), SipPort(Caller())));
    ASSERT_GE(Callee().WaitForText("callWindow", Caption(CallerAliase()), 5000, calleeFrom), 0);
    const size_t callerFrom = Caller().Lines().size();
    ASSERT_TRUE(Caller().Ask(QStringLiteral("call ") + Callee().Address()).value("ok").toBool());
    ASSERT_TRUE(Callee().Ask(QStringLiteral("accept")).value("ok").toBool()) << Both();
    ASSERT_GE(ExpectStatus(Caller(), QStringLiteral("通話中です"), callerFrom), 0);
    EXPECT_EQ(HeldCalls(Caller()), "[3]") << "voice both ways, no video";
}

} // namespace
