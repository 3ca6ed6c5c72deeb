// "AVチューニングウィザード" on a real X display (Xvfb), saved as a PNG in the build tree for
// a person to look at; each text must fit its widget and no two widgets may overlap.
#include "platform/rtc/TuningWizard.h"

#include "FakeAudioDevices.h"
#include "support/Screen.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace
{

TEST(TuningWizardShot, NothingCutOff)
{
    if (const QString missing = XDisplayMissing(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    ASSERT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty())
        << "no font with Japanese glyphs (install fonts-noto-cjk)";
    // Names as long as real sound cards give them.
    FakeDeviceCatalog catalog;
    catalog.microphones = {
        {QStringLiteral("mic"), QStringLiteral("HDA Intel PCH: ALC3246 Analog (hw:0,0) マイク")}};
    catalog.speakers = {
        {QStringLiteral("spk"), QStringLiteral("PulseAudio: Built-in Audio Analog Stereo")}};
    catalog.cameras = {{QStringLiteral("cam"), QStringLiteral("Integrated_Webcam_HD")}};
    RecordingTonePlayer player;
    player.hasOutput = false; // so that the note under the boxes is in the picture
    rtc::TuningWizard dialog(catalog, player, {QStringLiteral("mic"), QString(), QString()});
    dialog.move(40, 40);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.cmdTest, Qt::LeftButton);
    ASSERT_FALSE(dialog.lblTest->text().isEmpty());
    QTest::qWait(100);

    const std::vector<QWidget*> leaves = ShownControls<QLabel, QAbstractButton, QComboBox>(dialog);
    EXPECT_GE(leaves.size(), 10u); // four labels, three boxes, three buttons
    for (QWidget* widget : leaves) {
        const std::string what =
            widget->objectName().toStdString() + " " + widget->metaObject()->className();
        EXPECT_GE(widget->width(), widget->sizeHint().width()) << what;
        EXPECT_GE(widget->height(), widget->minimumSizeHint().height()) << what;
    }
    ExpectInsideAndApart(dialog, leaves);
    // Under Xvfb the first grab can come before the paint.
    QImage shot;
    for (int i = 0; i < 50 && Colours(shot, 3) < 3; ++i) {
        QTest::qWait(50);
        shot = OnScreen(dialog);
    }
    ASSERT_GE(Colours(shot, 3), 3) << "the dialog was never painted";
    ASSERT_FALSE(SaveArtifact(shot, QStringLiteral("palavo-xp-tuning-wizard.png")).isEmpty());
}

} // namespace
