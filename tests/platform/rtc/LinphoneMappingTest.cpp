// The call client's readings of liblinphone, without a network.
#include "platform/rtc/LinphoneCallStates.h"
#include "platform/rtc/LinphoneClients.h"
#include "platform/rtc/LinphoneMedia.h"
#include "platform/rtc/LinphoneSession.h"

#include "support/PrintQString.h"
#include "support/WavTone.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
using State = linphone::Call::State;
using rtc::ParticipantState;
using rtc::SessionState;

struct Expect {
    State state;
    std::optional<SessionState> session;
    std::optional<ParticipantState> participant;
};

void Walk(bool incoming, std::initializer_list<Expect> steps)
{
    rtc::CallProgress progress;
    int i = 0;
    for (const Expect& e : steps) {
        SCOPED_TRACE(i++);
        const rtc::CallStep step = rtc::NextCallStep(progress, e.state, incoming);
        EXPECT_EQ(step.Session, e.session);
        EXPECT_EQ(step.Participant, e.participant);
    }
}

TEST(NextCallStep, EachMomentIsToldOnce)
{
    const auto none = std::nullopt;
    // A call that came in and was answered, then hung up.
    Walk(true, {
                   {State::IncomingReceived, SessionState::Incoming, ParticipantState::Incoming},
                   {State::Connected, SessionState::Connected, ParticipantState::Connected},
                   {State::StreamsRunning, none, none},
                   {State::UpdatedByRemote, none, none},
                   {State::StreamsRunning, none, none},
                   {State::End, SessionState::Disconnected, ParticipantState::Disconnected},
                   {State::Released, none, none},
               });
    // A call we placed that rang first.
    Walk(false, {
                    {State::OutgoingInit, none, none},
                    {State::OutgoingProgress, SessionState::InProgress, ParticipantState::Pending},
                    {State::OutgoingRinging, none, ParticipantState::Alerting},
                    {State::OutgoingEarlyMedia, none, none},
                    {State::Connected, SessionState::Connected, ParticipantState::Connected},
                    {State::Error, SessionState::Disconnected, ParticipantState::Disconnected},
                    {State::End, none, none},
                });
    // A call to nobody: it ends without connecting, and only once.
    Walk(false, {
                    {State::OutgoingProgress, SessionState::InProgress, ParticipantState::Pending},
                    {State::Error, SessionState::Disconnected, ParticipantState::Disconnected},
                    {State::Released, none, none},
                    {State::Connected, none, none},
                });
    // A call that comes in is not told as one we placed, nor the other way round.
    Walk(false, {{State::IncomingReceived, none, none}});
    Walk(true, {{State::OutgoingProgress, none, none}, {State::OutgoingRinging, none, none}});
}

TEST(CallTarget, TheManagersAddressBecomesASipAddressOverTcp)
{
    struct Case {
        const char* given;
        const char* target;
    };
    const Case cases[] = {
        {"someone@192.168.1.5:5062", "sip:someone@192.168.1.5:5062;transport=tcp"},
        {" someone@10.0.0.2:41234 ", "sip:someone@10.0.0.2:41234;transport=tcp"},
        {"sip:someone@10.0.0.2:7000", "sip:someone@10.0.0.2:7000;transport=tcp"},
        {"sip:a@b:1;transport=udp", "sip:a@b:1;transport=udp"}, // an explicit choice stays
    };
    for (const Case& c : cases)
        EXPECT_EQ(rtc::CallTarget(c.given), QString::fromLatin1(c.target)) << c.given;
}

TEST(MediaCapabilities, OnlyRealDevicesCarryCalls)
{
    const rtc::AudioDeviceInfo alsaDefault{"ALSA Unknown: default", "default", "ALSA", true, true};
    const rtc::AudioDeviceInfo alsaCard{"ALSA: HDA Intel PCH", "HDA Intel PCH", "ALSA", true, true};
    const rtc::AudioDeviceInfo pulseMic{"PulseAudio: mic", "Built-in Microphone", "PulseAudio",
                                        true, false};
    const rtc::AudioDeviceInfo pulseSpeaker{"PulseAudio: out", "Speakers", "PulseAudio", false,
                                            true};
    const rtc::AudioDeviceInfo pulseNull{"PulseAudio: auto_null", "Dummy Output", "PulseAudio",
                                         false, true};
    const rtc::AudioDeviceInfo dummyCard{"ALSA: Dummy", "Dummy", "ALSA", true, true};
    constexpr int Voice = 3, Video = 12;
    struct Case {
        const char* what;
        rtc::MediaFacts facts;
        int caps;
    };
    const Case cases[] = {
        {"no card, ALSA's default only", {{alsaDefault}, {"StaticImage: Static picture"}}, 0},
        {"a real ALSA card", {{alsaCard}, {}, true}, Voice},
        {"the kernel's dummy card", {{dummyCard}, {}, true}, 0},
        {"a sound server's microphone and speaker", {{pulseMic, pulseSpeaker}, {}}, Voice},
        {"a microphone but only a null sink", {{pulseMic, pulseNull}, {}}, 0},
        {"files stand in for the card", {{}, {}, false, true}, Voice},
        {"a webcam", {{}, {"V4L2: /dev/video0", "StaticImage: Static picture"}}, Video},
        {"the test picture, asked for",
         {{}, {"Mire: Mire (synthetic moving picture)"}, false, false, true},
         Video},
        {"the test picture, not asked for", {{}, {"Mire: Mire (synthetic moving picture)"}}, 0},
        {"files and the test picture",
         {{alsaDefault}, {"Mire: Mire", "StaticImage: x"}, false, true, true},
         Voice | Video},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rtc::MediaCapabilitiesOf(c.facts), c.caps) << c.what;
}

TEST(ToneWav, PlaysTheFrequencyAskedFor)
{
    QTemporaryDir dir;
    for (const int hz : {440, 1000, 2500}) {
        SCOPED_TRACE(hz);
        const QString path = dir.filePath(QString::number(hz) + ".wav");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(rtc::ToneWav(hz, 300));
        file.close();
        const auto sound = ReadWav(path);
        ASSERT_TRUE(sound.has_value());
        EXPECT_EQ(sound->SampleRate, 16000);
        EXPECT_NEAR(sound->Seconds(), 0.3, 0.001);
        EXPECT_NEAR(DominantFrequency(*sound), hz, 10);
    }
}

} // namespace
