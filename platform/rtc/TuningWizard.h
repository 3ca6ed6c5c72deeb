#pragma once

#include "platform/rtc/AudioDevices.h"
#include "platform/rtc/DeviceChoice.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace rtc
{

// "AVチューニングウィザード": the device picker. Three boxes list the microphones,
// speakers and cameras the catalogue has, "既定" (the machine's default) first; a button
// plays a test tone on the speaker chosen in its box. The dialog only shows and edits a
// choice; Run loads and saves it.
class TuningWizard : public QDialog
{
    Q_OBJECT
public:
    // The test tone: loud enough to find, short enough not to annoy.
    static constexpr int TestFrequency = 1000;
    static constexpr int TestDurationMs = 500;

    // Asks `catalog` for the devices once, now. A device of `current` the catalogue no
    // longer has shows as "既定". `catalog` and `player` outlive the dialog.
    TuningWizard(IDeviceCatalog& catalog, ITonePlayer& player, const DeviceChoice& current,
                 QWidget* parent = nullptr);

    // What the boxes show now; an empty id for "既定".
    DeviceChoice Choice() const;

    // The call client's InvokeTuningWizard: shows the choice saved in the settings file
    // `iniPath`, and on OK saves what the user picked. Modal; returns when the dialog is
    // closed. True when a new choice was saved (the caller applies it to its calls);
    // false on Cancel, or when the file could not be written.
    static bool Run(IDeviceCatalog& catalog, ITonePlayer& player, const QString& iniPath,
                    QWidget* parent = nullptr);

    QComboBox* cboMicrophone = nullptr;
    QComboBox* cboSpeaker = nullptr;
    QComboBox* cboCamera = nullptr;
    QPushButton* cmdTest = nullptr;
    QLabel* lblTest = nullptr; // says when the test tone had nowhere to play
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void cmdTest_Click();

    ITonePlayer& m_player;
};

} // namespace rtc
