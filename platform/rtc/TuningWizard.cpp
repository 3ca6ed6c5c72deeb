#include "TuningWizard.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace rtc
{
namespace
{

const QString kDefaultDevice = QStringLiteral("既定");

// "既定" first (an empty id), then the devices in the catalogue's order; the saved device
// is selected, or "既定" when the machine no longer has it.
QComboBox* DeviceBox(const std::vector<MediaDevice>& devices, const QString& selected,
                     const char* name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->addItem(kDefaultDevice, QString());
    for (const MediaDevice& device : devices)
        box->addItem(device.Name.isEmpty() ? device.Id : device.Name, device.Id);
    const int index = selected.isEmpty() ? -1 : box->findData(selected);
    box->setCurrentIndex(index > 0 ? index : 0);
    return box;
}

QString IdOf(const QComboBox& box)
{
    return box.currentData().toString();
}

} // namespace

TuningWizard::TuningWizard(IDeviceCatalog& catalog, ITonePlayer& player,
                           const DeviceChoice& current, QWidget* parent)
    : QDialog(parent), m_player(player)
{
    setWindowTitle(QStringLiteral("AVチューニングウィザード"));
    auto* intro = new QLabel(QStringLiteral("通話で使う機器を選んでください。"), this);
    cboMicrophone = DeviceBox(catalog.Microphones(), current.Microphone, "cboMicrophone", this);
    cboSpeaker = DeviceBox(catalog.Speakers(), current.Speaker, "cboSpeaker", this);
    cboCamera = DeviceBox(catalog.Cameras(), current.Camera, "cboCamera", this);
    cmdTest = new QPushButton(QStringLiteral("テスト音"), this);
    cmdTest->setObjectName(QStringLiteral("cmdTest"));
    cmdTest->setAutoDefault(false);
    lblTest = new QLabel(this);
    lblTest->setObjectName(QStringLiteral("lblTest"));
    lblTest->setTextFormat(Qt::PlainText);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("マイク"), this), 0, 0);
    grid->addWidget(cboMicrophone, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("スピーカー"), this), 1, 0);
    grid->addWidget(cboSpeaker, 1, 1);
    grid->addWidget(cmdTest, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("カメラ"), this), 2, 0);
    grid->addWidget(cboCamera, 2, 1);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(lblTest);
    layout->addLayout(buttons);
    // Device names can be long; the boxes grow with the dialog instead of cutting them.
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    connect(cmdTest, &QPushButton::clicked, this, &TuningWizard::cmdTest_Click);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

DeviceChoice TuningWizard::Choice() const
{
    return {IdOf(*cboMicrophone), IdOf(*cboSpeaker), IdOf(*cboCamera)};
}

void TuningWizard::cmdTest_Click()
{
    const bool played = m_player.PlayTone(TestFrequency, TestDurationMs, IdOf(*cboSpeaker));
    lblTest->setText(played ? QString() : QStringLiteral("音を鳴らせるスピーカーがありません。"));
}

bool TuningWizard::Run(IDeviceCatalog& catalog, ITonePlayer& player, const QString& iniPath,
                       QWidget* parent)
{
    TuningWizard dialog(catalog, player, LoadDeviceChoice(iniPath), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return SaveDeviceChoice(iniPath, dialog.Choice());
}

} // namespace rtc
