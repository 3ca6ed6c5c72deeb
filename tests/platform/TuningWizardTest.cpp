#include "platform/rtc/TuningWizard.h"

#include "FakeAudioDevices.h"
#include "support/PrintQString.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{

const QString kDefault = QStringLiteral("既定");

FakeDeviceCatalog Catalogue()
{
    FakeDeviceCatalog catalog;
    catalog.microphones = {{QStringLiteral("mic-a"), QStringLiteral("内蔵マイク")},
                           {QStringLiteral("mic-b"), QStringLiteral("USB ヘッドセット")}};
    catalog.speakers = {{QStringLiteral("spk-a"), QStringLiteral("内蔵スピーカー")},
                        {QStringLiteral("spk-b"), QString()}}; // no name: its id is shown
    catalog.cameras = {{QStringLiteral("cam-a"), QStringLiteral("Webカメラ")}};
    return catalog;
}

QStringList Texts(const QComboBox& box)
{
    QStringList texts;
    for (int i = 0; i < box.count(); ++i)
        texts << box.itemText(i);
    return texts;
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Each box lists "既定" first, then the catalogue in its order, and selects the saved
// device; one the machine no longer has shows as "既定".
TEST(TuningWizard, ListsTheCatalogueAndSelectsTheSavedDevice)
{
    FakeDeviceCatalog catalog = Catalogue();
    RecordingTonePlayer player;
    rtc::TuningWizard dialog(
        catalog, player,
        {QStringLiteral("mic-b"), QStringLiteral("spk-x"), QStringLiteral("cam-a")});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("AVチューニングウィザード"));
    struct Case {
        QComboBox* box;
        QStringList texts;
        QString shown;
    };
    const Case cases[] = {
        {dialog.cboMicrophone,
         {kDefault, QStringLiteral("内蔵マイク"), QStringLiteral("USB ヘッドセット")},
         QStringLiteral("USB ヘッドセット")},
        {dialog.cboSpeaker,
         {kDefault, QStringLiteral("内蔵スピーカー"), QStringLiteral("spk-b")},
         kDefault}, // unplugged
        {dialog.cboCamera, {kDefault, QStringLiteral("Webカメラ")}, QStringLiteral("Webカメラ")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Texts(*c.box), c.texts) << c.box->objectName().toStdString();
        EXPECT_EQ(c.box->currentText(), c.shown) << c.box->objectName().toStdString();
    }
    const rtc::DeviceChoice shown = dialog.Choice();
    EXPECT_EQ(shown.Microphone, QStringLiteral("mic-b"));
    EXPECT_EQ(shown.Speaker, QString()); // "既定" is the default, an empty id
    EXPECT_EQ(shown.Camera, QStringLiteral("cam-a"));
}

// The test button plays on the speaker chosen in the box now, saved or not, and says
// so when there is nothing to play on.
TEST(TuningWizard, TestToneOnTheChosenSpeaker)
{
    FakeDeviceCatalog catalog = Catalogue();
    RecordingTonePlayer player;
    rtc::TuningWizard dialog(catalog, player, {QString(), QStringLiteral("spk-a"), QString()});
    const int f = rtc::TuningWizard::TestFrequency;
    const int ms = rtc::TuningWizard::TestDurationMs;
    const struct {
        int index;
        bool hasOutput;
        PlayedTone played;
    } cases[] = {{1, true, {f, ms, QStringLiteral("spk-a")}},
                 {2, true, {f, ms, QStringLiteral("spk-b")}},
                 {0, false, {f, ms, QString()}},
                 {0, true, {f, ms, QString()}}};
    for (const auto& c : cases) {
        dialog.cboSpeaker->setCurrentIndex(c.index);
        player.hasOutput = c.hasOutput;
        player.played.clear();
        QTest::mouseClick(dialog.cmdTest, Qt::LeftButton);
        EXPECT_EQ(player.played, std::vector<PlayedTone>{c.played});
        EXPECT_EQ(dialog.lblTest->text().isEmpty(), c.hasOutput)
            << dialog.lblTest->text().toStdString();
    }
}

// Run shows the saved choice; OK saves what was picked, Cancel leaves the file alone.
TEST(TuningWizard, RunSavesOnOkOnly)
{
    const rtc::DeviceChoice saved{QStringLiteral("mic-a"), QStringLiteral("spk-a"),
                                  QStringLiteral("cam-x")};
    const struct {
        const char* what;
        bool ok;
        const char* file; // in a fresh folder
        bool result;
    } cases[] = {
        {"OK", true, "Palavo.ini", true},
        {"Cancel", false, "Palavo.ini", false},
        // Nowhere to write (root may write read-only files, not into missing folders).
        {"OK, no folder", true, "missing/Palavo.ini", false},
    };
    FakeDeviceCatalog catalog = Catalogue();
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QString::fromLatin1(c.file));
        rtc::SaveDeviceChoice(ini, saved); // fails where there is no folder
        const QByteArray before = ReadBytes(ini);
        const rtc::DeviceChoice shown = rtc::LoadDeviceChoice(ini);
        RecordingTonePlayer player;
        bool picked = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = dynamic_cast<rtc::TuningWizard*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr) << c.what;
            picked = true;
            EXPECT_EQ(dialog->Choice().Microphone, shown.Microphone) << c.what;
            dialog->cboSpeaker->setCurrentIndex(2);
            QTest::mouseClick(c.ok ? dialog->cmdOK : dialog->cmdCancel, Qt::LeftButton);
        });
        EXPECT_EQ(rtc::TuningWizard::Run(catalog, player, ini), c.result) << c.what;
        EXPECT_TRUE(picked) << c.what;
        const rtc::DeviceChoice stored = rtc::LoadDeviceChoice(ini);
        if (c.result) {
            // The vanished camera was shown as "既定" and is stored so.
            EXPECT_EQ(stored.Microphone, QStringLiteral("mic-a"));
            EXPECT_EQ(stored.Speaker, QStringLiteral("spk-b"));
            EXPECT_EQ(stored.Camera, QString());
        } else {
            EXPECT_EQ(ReadBytes(ini), before) << c.what;
        }
    }
}

} // namespace
