// A video call between two PalavoXP programs on the virtual LAN, pictured on a real X
// display (each case under xvfb-run): both offer the media library's synthetic camera,
// and each side's video window shows the other's moving picture.
#include "CallLanTest.h"

#include "support/EventWaiter.h"
#include "support/Screen.h"
#include "support/WavTone.h"

#include <QDir>
#include <QImage>

#include <iostream>

namespace
{

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
    StartBoth(VideoSettings(CallerSettings()), VideoSettings(CalleeSettings()));
    ASSERT_FALSE(HasFatalFailure());

    size_t callerFrom = 0, calleeFrom = 0;
    RequestCall(true, &callerFrom, &calleeFrom);
    ASSERT_FALSE(HasFatalFailure());
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
        // The first frames may still be black: the picture is polled until it moves in.
        const QString path = dir + QStringLiteral("/palavo-xp-video-%1.png").arg(side.who);
        QImage shot;
        int colours = 0;
        WaitUntil(
            [&] {
                if (!side.copy->Ask(QStringLiteral("shot ") + path).value("ok").toBool())
                    return false;
                shot = QImage(path);
                colours = Colours(shot, 16);
                return colours > 2;
            },
            10000);
        ASSERT_FALSE(shot.isNull()) << "no picture saved to " << path.toStdString() << "\n"
                                    << Both();
        std::cout << "[ artifact ] " << path.toStdString() << std::endl;
        EXPECT_GT(colours, 2) << "the video window shows one flat colour (" << shot.width() << "x"
                              << shot.height() << ")";
    }
    EXPECT_TRUE(Caller().Ask(QStringLiteral("drop")).value("ok").toBool()) << Both();
}

} // namespace
