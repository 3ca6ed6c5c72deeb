#include "platform/rtc/TuningWizard.h"

#include "FakeAudioDevices.h"
#include "platform/rtc/DeviceChoice.h"
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

struct Shown {
    QStringList texts;
    QStringList ids;
};

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Shown Items(const QComboBox& box)
{
    Shown shown;
    for (int i = 0; i < box.count(); ++i) {
        shown.texts << box.itemText(i);
        shown.ids << box.itemData(i).toString();
    }
    return shown;
}

// Each box lists "既定" first, then what the catalogue has, in its order.
TEST(TuningWizard, ListsTheCatalogueAfterTheDefault)
{
    FakeDeviceCatalog catalog = Catalogue();
    RecordingTonePlayer player;
    rtc::TuningWizard dialog(catalog, player, {});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("AVチューニングウィザード"));
    const std::pair<QComboBox*, QStringList> boxes[] = {
        {dialog.cboMicrophone,
         {kDefault, QStringLiteral("内蔵マイク"), QStringLiteral("USB ヘッドセット")}},
        {dialog.cboSpeaker, {kDefault, QStringLiteral("内蔵スピーカー"), QStringLiteral("spk-b")}},
        {dialog.cboCamera, {kDefault, QStringLiteral("Webカメラ")}},
    };
    for (const auto& [box, texts] : boxes) {
        const Shown shown = Items(*box);
        EXPECT_EQ(shown.texts, texts) << box->objectName().toStdString();
        EXPECT_EQ(shown.ids.value(0), QString()) << box->objectName().toStdString();
        EXPECT_EQ(box->currentIndex(), 0) << box->objectName().toStdString();
    }
    EXPECT_EQ(Items(*dialog.cboSpeaker).ids,
              (QStringList{QString(), QStringLiteral("spk-a"), QStringLiteral("spk-b")}));
}

// The saved devices are selected; one the machine no longer has shows as "既定" and is
// kept as the default when the dialog is confirmed.
TEST(TuningWizard, SelectsTheSavedChoice)
{
    struct Case {
        const char* what;
        rtc::DeviceChoice saved;
        rtc::DeviceChoice shown;
    };
    const Case cases[] = {
        {"all there",
         {QStringLiteral("mic-b"), QStringLiteral("spk-b"), QStringLiteral("cam-a")},
         {QStringLiteral("mic-b"), QStringLiteral("spk-b"), QStringLiteral("cam-a")}},
        {"unplugged",
         {QStringLiteral("mic-x"), QStringLiteral("spk-a"), QStringLiteral("cam-x")},
         {QString(), QStringLiteral("spk-a"), QString()}},
        {"defaults", {}, {}},
    };
    FakeDeviceCatalog catalog = Catalogue();
    RecordingTonePlayer player;
    for (const Case& c : cases) {
        rtc::TuningWizard dialog(catalog, player, c.saved);
        const rtc::DeviceChoice shown = dialog.Choice();
        EXPECT_EQ(shown.Microphone, c.shown.Microphone) << c.what;
        EXPECT_EQ(shown.Speaker, c.shown.Speaker) << c.what;
        EXPECT_EQ(shown.Camera, c.shown.Camera) << c.what;
        for (const QComboBox* box : {dialog.cboMicrophone, dialog.cboSpeaker, dialog.cboCamera}) {
            if (box->currentData().toString().isEmpty()) {
                EXPECT_EQ(box->currentText(), kDefault) << c.what;
            }
        }
    }
}

// The test button plays on the speaker chosen in the box now, saved or not, and says
// so when there is nothing to play on.
TEST(TuningWizard, TestToneOnTheChosenSpeaker)
{
    FakeDeviceCatalog catalog = Catalogue();
    RecordingTonePlayer player;
    rtc::TuningWizard dialog(catalog, player, {QString(), QStringLiteral("spk-a"), QString()});
    QTest::mouseClick(dialog.cmdTest, Qt::LeftButton);
    dialog.cboSpeaker->setCurrentIndex(2);
    QTest::mouseClick(dialog.cmdTest, Qt::LeftButton);
    dialog.cboSpeaker->setCurrentIndex(0);
    QTest::mouseClick(dialog.cmdTest, Qt::LeftButton);
    const int f = rtc::TuningWizard::TestFrequency;
    const int ms = rtc::TuningWizard::TestDurationMs;
    EXPECT_EQ(player.played, (std::vector<PlayedTone>{{f, ms, QStringLiteral("spk-a")},
                                                      {f, ms, QStringLiteral("spk-b")},
                                                      {f, ms, QString()}}));
    EXPECT_TRUE(dialog.lblTest->text().isEmpty());

    player.hasOutput = false;
    QTest::mouseClick(dialog.cmdTest, Qt::LeftButton);
    EXPECT_FALSE(dialog.lblTest->text().isEmpty());
    player.hasOutput = true;
    QTest::mouseClick(dialog.cmdTest, Qt::LeftButton);
    EXPECT_TRUE(dialog.lblTest->text().isEmpty());
}

// Run shows the saved choice; OK saves what was picked, Cancel leaves the file alone.
TEST(TuningWizard, RunSavesOnOkOnly)
{
    struct Case {
        const char* what;
        bool ok;
        const char* file; // in a fresh folder
        bool result;
        rtc::DeviceChoice stored;
    };
    const rtc::DeviceChoice saved{QStringLiteral("mic-a"), QStringLiteral("spk-a"),
                                  QStringLiteral("cam-x")};
    const Case cases[] = {
        // The saved camera is gone: OK stores the default in its place.
        {"OK",
         true,
         "Palavo.ini",
         true,
         {QStringLiteral("mic-a"), QStringLiteral("spk-b"), QString()}},
        {"Cancel", false, "Palavo.ini", false, saved},
        // Nowhere to write (root may write read-only files, not into missing folders).
        {"OK, no folder", true, "missing/Palavo.ini", false, {}},
    };
    FakeDeviceCatalog catalog = Catalogue();
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QString::fromLatin1(c.file));
        rtc::SaveDeviceChoice(ini, saved); // fails where there is no folder
        const QByteArray before = ReadBytes(ini);
        const QString shownMicrophone = rtc::LoadDeviceChoice(ini).Microphone;
        RecordingTonePlayer player;
        bool picked = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = dynamic_cast<rtc::TuningWizard*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                ADD_FAILURE() << c.what << ": no modal dialog";
                return;
            }
            picked = true;
            EXPECT_EQ(dialog->cboMicrophone->currentData().toString(), shownMicrophone);
            dialog->cboSpeaker->setCurrentIndex(2);
            QTest::mouseClick(c.ok ? dialog->cmdOK : dialog->cmdCancel, Qt::LeftButton);
        });
        EXPECT_EQ(rtc::TuningWizard::Run(catalog, player, ini), c.result) << c.what;
        EXPECT_TRUE(picked) << c.what;
        const rtc::DeviceChoice stored = rtc::LoadDeviceChoice(ini);
        EXPECT_EQ(stored.Microphone, c.stored.Microphone) << c.what;
        EXPECT_EQ(stored.Speaker, c.stored.Speaker) << c.what;
        EXPECT_EQ(stored.Camera, c.stored.Camera) << c.what;
        if (!c.result) {
            EXPECT_EQ(ReadBytes(ini), before) << c.what;
        }
    }
}

} // namespace
