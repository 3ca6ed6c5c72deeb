#include "LocationForm.h"

#include "client/CommaList.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

LocationForm::LocationForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("メモや居場所の設定"));

    cmbLocation = new QComboBox(this);
    cmbLocation->setObjectName(QStringLiteral("cmbLocation"));
    cmbLocation->setEditable(true);
    cmbLocation->setInsertPolicy(QComboBox::NoInsert);
    cmbLocation->setMinimumContentsLength(20);
    txtResponse = new QLineEdit(this);
    // An absence reply is a sentence: room for about twenty-four wide characters.
    txtResponse->setMinimumWidth(txtResponse->fontMetrics().horizontalAdvance(QString(24, u'あ')));
    txtResponse->setObjectName(QStringLiteral("txtResponse"));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("メモ や 居場所"), this), 0, 0);
    fields->addWidget(cmbLocation, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("（不在通知文）"), this), 1, 0);
    fields->addWidget(txtResponse, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(cmbLocation, &QComboBox::editTextChanged, this,
            [this](const QString& text) { m_Location = text; });
    connect(OKButton, &QPushButton::clicked, this, &LocationForm::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &LocationForm::CancelButton_Click);
    // Escape and the close box leave the dialog like Cancel.
    connect(this, &QDialog::rejected, this, [this] { m_boolBtnStatus = false; });
}

void LocationForm::setLocation(const QString& text)
{
    cmbLocation->setEditText(text);
    m_Location = text;
}

void LocationForm::updateList()
{
    // Offering the items must not replace what the user sees in the box.
    const QString shown = cmbLocation->currentText();
    cmbLocation->addItems(SplitStoredList(m_LocationList));
    cmbLocation->setEditText(shown);
    txtResponse->setText(m_Response);
}

// Both buttons only hide the form (accept and reject do), so the caller can still read
// the fields after exec returns.
void LocationForm::OKButton_Click()
{
    m_boolBtnStatus = true;
    m_Location = cmbLocation->currentText();
    m_Response = txtResponse->text();
    accept();
}

void LocationForm::CancelButton_Click()
{
    m_boolBtnStatus = false;
    reject();
}
