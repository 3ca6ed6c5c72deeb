#include "ConfirmVoIPForm.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ConfirmVoIPForm::ConfirmVoIPForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ConfirmVoIPForm"));
    setWindowTitle(QStringLiteral("音声(ビデオ)チャットの確認"));

    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    // The nickname comes from the network: plain text, never markup.
    lblMessage->setTextFormat(Qt::PlainText);
    lblMessage->setWordWrap(true);
    // Room for a nickname and the question on one line.
    lblMessage->setMinimumWidth(lblMessage->fontMetrics().horizontalAdvance(QString(20, u'あ')));
    CheckVideo = new QCheckBox(QStringLiteral("ビデオ使用"), this);
    CheckVideo->setObjectName(QStringLiteral("CheckVideo"));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    layout->addWidget(CheckVideo);
    layout->addLayout(buttons);

    connect(OKButton, &QPushButton::clicked, this, &ConfirmVoIPForm::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &ConfirmVoIPForm::CancelButton_Click);
    // Escape and the close box leave the dialog like Cancel.
    connect(this, &QDialog::rejected, this, [this] { m_OK = false; });
}

void ConfirmVoIPForm::Init(const QString& toUser, bool video)
{
    lblMessage->setText(toUser + QStringLiteral("さんに電話しますか？"));
    CheckVideo->setChecked(video);
    CheckVideo->setEnabled(video);
}

bool ConfirmVoIPForm::video() const
{
    return CheckVideo->isChecked();
}

// Both buttons only hide the dialog, so the caller can still read it after exec returns.
void ConfirmVoIPForm::OKButton_Click()
{
    m_OK = true;
    accept();
}

void ConfirmVoIPForm::CancelButton_Click()
{
    m_OK = false;
    reject();
}
