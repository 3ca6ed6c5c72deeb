#include "SpecialOptionForm.h"

#include "client/ChatInfo.h"
#include "client/INIData.h"
#include "platform/MessageBoxService.h"
#include "platform/XdgAutostart.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SpecialOptionForm::SpecialOptionForm(ChatInfo& settings, const PlatformServices& services,
                                     std::function<void(bool)> displayRenewButton, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_services(services),
      m_displayRenewButton(std::move(displayRenewButton))
{
    setWindowTitle(QStringLiteral("特別な設定"));
    ChkRenew = new QCheckBox(QStringLiteral("最新の情報に更新するボタンを表示させる"), this);
    ChkRenew->setObjectName(QStringLiteral("ChkRenew"));
    ChkDblClick = new QCheckBox(QStringLiteral("リストの相手のダブルクリックは音声チャット"), this);
    ChkDblClick->setObjectName(QStringLiteral("ChkDblClick"));
    ChkCloseToTray = new QCheckBox(QStringLiteral("閉じるときはトレイに格納する"), this);
    ChkCloseToTray->setObjectName(QStringLiteral("ChkCloseToTray"));
    auto* note = new QLabel(QStringLiteral("（デフォルトはメッセージング）"), this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    auto* noteRow = new QHBoxLayout;
    noteRow->addSpacing(ChkDblClick->sizeHint().height());
    noteRow->addWidget(note);
    noteRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ChkRenew);
    layout->addWidget(ChkDblClick);
    layout->addLayout(noteRow);
    layout->addWidget(ChkCloseToTray);
    if (m_services.Autostart != nullptr) {
        ChkAutostart = new QCheckBox(QStringLiteral("ログイン時に起動する"), this);
        ChkAutostart->setObjectName(QStringLiteral("ChkAutostart"));
        ChkAutostart->setChecked(m_services.Autostart->Enabled());
        layout->addWidget(ChkAutostart);
    }
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &SpecialOptionForm::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    m_record = INIData::LoadSettings();
    ChkRenew->setChecked(m_record.displayRenew);
    ChkDblClick->setChecked(m_record.dblClickVoip);
    ChkCloseToTray->setChecked(m_record.closeToTray);
}

void SpecialOptionForm::cmdOK_Click()
{
    // The entry first: when it cannot be written the dialog stays open with every choice
    // in it, and nothing is saved yet.
    if (!ApplyAutostart())
        return;
    m_record.displayRenew = ChkRenew->isChecked();
    if (m_displayRenewButton)
        m_displayRenewButton(m_record.displayRenew);
    m_settings.setDisplayRenew(m_record.displayRenew);
    m_record.dblClickVoip = ChkDblClick->isChecked();
    m_settings.setDblClickVoip(m_record.dblClickVoip);
    m_record.closeToTray = ChkCloseToTray->isChecked();
    m_settings.setCloseToTray(m_record.closeToTray);
    INIData::SaveSettings(m_record);
    accept();
}

bool SpecialOptionForm::ApplyAutostart()
{
    if (ChkAutostart == nullptr || ChkAutostart->isChecked() == m_services.Autostart->Enabled())
        return true;
    const QString error = m_services.Autostart->SetEnabled(ChkAutostart->isChecked());
    if (error.isEmpty())
        return true;
    const QString text =
        ChkAutostart->isChecked()
            ? QStringLiteral("ログイン時に起動するためのエントリを書き込めませんでした。")
            : QStringLiteral("ログイン時に起動するためのエントリを削除できませんでした。");
    m_services.MessageBoxes.Show(
        this, {text + u'\n' + m_services.Autostart->EntryPath() + u'\n' + error,
               QStringLiteral("エラー"), MessageBoxIcon::Error, MessageBoxButtons::Ok});
    return false;
}
