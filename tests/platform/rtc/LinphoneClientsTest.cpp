// The program's factory: what the environment asks for reaches the clients it makes.
#include "RtcTestClient.h"

#include "platform/rtc/LinphoneClients.h"
#include "platform/rtc/TuningWizard.h"

#include "support/EventWaiter.h"
#include "support/PrintQString.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{
// Sets environment variables for one scope and puts the old values back.
class ScopedEnvironment
{
public:
    void Set(const char* name, const QByteArray& value)
    {
        m_saved.emplace_back(name, qgetenv(name), qEnvironmentVariableIsSet(name));
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (std::get<2>(*it))
                qputenv(std::get<0>(*it), std::get<1>(*it));
            else
                qunsetenv(std::get<0>(*it));
        }
    }

private:
    std::vector<std::tuple<const char*, QByteArray, bool>> m_saved;
};

TEST(LinphoneClients, TheEnvironmentChoosesFilesAndTheTestCamera)
{
    ASSERT_EQ(LinphoneStartFailure(), QString());
    QTemporaryDir dir;
    const QByteArray in = QFile::encodeName(dir.filePath("in.wav"));
    const QByteArray out = QFile::encodeName(dir.filePath("out.wav"));
    struct Case {
        const char* what;
        QByteArray audioIn, audioOut, camera;
        int mustHave;    // bits the client must report
        int mustNotHave; // and bits it must not
    };
    const Case cases[] = {
        {"both files", in, out, {}, 3, 16},
        {"a recording only", {}, out, {}, 3, 16},
        {"the test camera with files", in, out, "1", 15, 16},
        {"the test camera set to 0", in, out, "0", 3, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnvironment env;
        env.Set("PALAVO_AUDIO_IN", c.audioIn);
        env.Set("PALAVO_AUDIO_OUT", c.audioOut);
        env.Set("PALAVO_TEST_CAMERA", c.camera);
        const QString ini = dir.filePath("Palavo.ini");
        ASSERT_TRUE(rtc::SaveDeviceChoice(ini, {"mic", "speaker", ""}));
        rtc::LinphoneClients clients(ini);
        const rtc::CoreSetup setup = clients.ClientSetup();
        EXPECT_EQ(setup.PlayFile, QFile::decodeName(c.audioIn));
        EXPECT_EQ(setup.RecordFile, QFile::decodeName(c.audioOut));
        EXPECT_EQ(setup.Microphone, "mic");
        EXPECT_EQ(setup.Speaker, "speaker");
        EXPECT_FALSE(setup.BindAddress.isEmpty());

        const std::unique_ptr<rtc::IClient> client = clients.CreateClient();
        ASSERT_TRUE(client);
        EXPECT_FALSE(client->MediaCapabilities().ok()); // nothing before Initialize
        ASSERT_TRUE(client->Initialize().ok());
        const auto caps = client->MediaCapabilities();
        ASSERT_TRUE(caps.ok());
        EXPECT_EQ(caps.value & c.mustHave, c.mustHave) << caps.value;
        EXPECT_EQ(caps.value & c.mustNotHave, 0) << caps.value;
        if (c.camera != "1") {
            for (const rtc::MediaDevice& camera : clients.Cameras())
                EXPECT_FALSE(camera.Id.startsWith("Mire")) << camera.Id;
        }
    }
}

TEST(LinphoneClients, WhatThereIsNoEngineForFailsWithAReason)
{
    ASSERT_EQ(LinphoneStartFailure(), QString());
    QTemporaryDir dir;
    rtc::LinphoneRtcClient client(FileSetup(QString(), dir.filePath("out.wav")));

    // Before Initialize every operation fails.
    EXPECT_FALSE(client.SetEventFilter(rtc::AllEvents).ok());
    EXPECT_FALSE(client.CreateSession().ok());
    EXPECT_FALSE(client.NetworkAddresses(false, false).ok());
    ASSERT_TRUE(client.Initialize().ok());
    EXPECT_FALSE(client.Initialize().ok());

    for (const rtc::T120Applet applet :
         {rtc::T120Applet::Whiteboard, rtc::T120Applet::AppSharing}) {
        const auto running = client.IsT120AppletRunning(applet);
        ASSERT_TRUE(running.ok());
        EXPECT_FALSE(running.value);
        const rtc::RtcStatus started = client.StartT120Applet(applet);
        EXPECT_FALSE(started.ok());
        EXPECT_FALSE(started.description().isEmpty());
    }
    const auto preview = client.VideoWindow(rtc::VideoWindowKind::Preview);
    EXPECT_FALSE(preview.ok());
    EXPECT_EQ(preview.value, nullptr);
    // These tests run offscreen, where the library cannot draw into a window: it says why.
    ASSERT_NE(QGuiApplication::platformName(), "xcb");
    const auto receive = client.VideoWindow(rtc::VideoWindowKind::Receive);
    EXPECT_FALSE(receive.ok());
    EXPECT_EQ(receive.value, nullptr);
    EXPECT_FALSE(receive.status.description().isEmpty());
    // A client made without the program's device picker says so.
    EXPECT_FALSE(client.InvokeTuningWizard().ok());
    // With files in place of the sound card the ring has nowhere to sound, and is no error.
    EXPECT_TRUE(client.PlayRing(true).ok());
    EXPECT_TRUE(client.PlayRing(false).ok());
}

TEST(LinphoneClients, AUserNameThatIsNoAddressStillMakesAnIdentity)
{
    ASSERT_EQ(LinphoneStartFailure(), QString());
    QTemporaryDir dir;
    rtc::LinphoneRtcClient client(FileSetup(QString(), dir.filePath("out.wav")));
    ASSERT_TRUE(client.Initialize().ok());
    const std::pair<const char*, bool> uris[] = {{"dummy@127.0.0.1", true},
                                                 {"taro yamada@10.0.0.1", true},
                                                 {"太郎@10.0.0.1", true},
                                                 {"sip:a@b", true},
                                                 {"a@b c", false}}; // no host name has a blank
    for (const auto& [uri, ok] : uris) {
        SCOPED_TRACE(uri);
        EXPECT_TRUE(client.SetLocalUserName(QString::fromUtf8("ぱらぼ")).ok());
        EXPECT_EQ(client.SetLocalUserURI(QString::fromUtf8(uri)).ok(), ok);
    }
}

} // namespace

namespace
{
TEST(LinphoneClients, AToneNeedsASpeaker)
{
    ASSERT_EQ(LinphoneStartFailure(), QString());
    QTemporaryDir dir;
    rtc::LinphoneClients clients(dir.filePath("Palavo.ini"));
    // Tones nobody could hear are refused, whatever the machine.
    EXPECT_FALSE(clients.PlayTone(0, 200, QString()));
    EXPECT_FALSE(clients.PlayTone(1000, 0, QString()));
    for (const rtc::MediaDevice& speaker : clients.Speakers())
        EXPECT_FALSE(speaker.Id.isEmpty());
    // A speaker needs a sound card (asked of the kernel, not of the client): ALSA's
    // "default" without a card is no speaker.
    QFile cards(QStringLiteral("/proc/asound/cards"));
    const bool card = cards.open(QIODevice::ReadOnly) && !cards.readAll().contains("no soundcards");
    EXPECT_EQ(clients.Speakers().empty(), !card);
    EXPECT_EQ(clients.PlayTone(1000, 200, QString()), card);
    EXPECT_EQ(clients.PlayTone(1000, 200, QStringLiteral("no such speaker")), card);
}
} // namespace

namespace
{
TEST(LinphoneClients, TheDevicePickerSavesWhatTheNextClientUses)
{
    ASSERT_EQ(LinphoneStartFailure(), QString());
    struct Case {
        const char* what;
        bool accept;
        const char* microphoneAfter;
    };
    // The saved microphone is not on this machine: the picker shows the default for it,
    // and OK saves the default.
    const Case cases[] = {{"cancelled", false, "gone-mic"}, {"OK", true, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString ini = dir.filePath("Palavo.ini");
        ASSERT_TRUE(rtc::SaveDeviceChoice(ini, {"gone-mic", "", ""}));
        rtc::LinphoneClients clients(ini);
        const std::unique_ptr<rtc::IClient> client = clients.CreateClient();
        ASSERT_TRUE(client->Initialize().ok());

        bool picked = false;
        QTimer::singleShot(100, [&] {
            auto* picker = qobject_cast<rtc::TuningWizard*>(QApplication::activeModalWidget());
            picked = picker != nullptr;
            if (picker && c.accept)
                picker->accept();
            else if (picker)
                picker->reject();
        });
        EXPECT_TRUE(client->InvokeTuningWizard().ok());
        EXPECT_TRUE(picked);
        EXPECT_EQ(rtc::LoadDeviceChoice(ini).Microphone, c.microphoneAfter);
        EXPECT_EQ(clients.ClientSetup().Microphone, c.microphoneAfter);
    }
}
} // namespace

namespace
{
// ALSA's default device made a file: what the speaker would play lands in `file`.
QString SpeakerToFileConfig(const QString& file)
{
    return QStringLiteral("pcm.!default {\n"
                          "    type file\n"
                          "    slave.pcm { type null }\n"
                          "    file \"%1\"\n"
                          "    format \"raw\"\n"
                          "}\n")
        .arg(file);
}

TEST(LinphoneClients, TheRingSoundsOnTheSpeakerUntilStopped)
{
    ASSERT_EQ(LinphoneStartFailure(), QString());
    QTemporaryDir dir;
    const QString played = dir.filePath("speaker.raw");
    const QString config = dir.filePath("asound.conf");
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(SpeakerToFileConfig(played).toUtf8());
    file.close();
    ScopedEnvironment env;
    env.Set("ALSA_CONFIG_PATH", QFile::encodeName(config));

    rtc::CoreSetup setup;
    setup.BindAddress = QStringLiteral("127.0.0.1");
    rtc::LinphoneRtcClient client(setup);
    ASSERT_TRUE(client.Initialize().ok());
    ASSERT_TRUE(client.PlayRing(true).ok());
    const bool sounded = WaitUntil([&] { return QFileInfo(played).size() > 8000; }, 3000);
    ASSERT_TRUE(sounded) << "bytes played: " << QFileInfo(played).size();
    ASSERT_TRUE(client.PlayRing(false).ok());
    WaitUntil([] { return false; }, 200);
    const qint64 stoppedAt = QFileInfo(played).size();
    WaitUntil([] { return false; }, 500);
    EXPECT_EQ(QFileInfo(played).size(), stoppedAt);
    // A ring, not silence.
    QFile sound(played);
    ASSERT_TRUE(sound.open(QIODevice::ReadOnly));
    const QByteArray bytes = sound.readAll();
    EXPECT_GT(bytes.count(char(0)), 0);
    EXPECT_LT(bytes.count(char(0)), bytes.size() / 2);
}
} // namespace
