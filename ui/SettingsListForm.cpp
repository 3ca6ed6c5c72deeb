#include "SettingsListForm.h"

#include "client/CommaList.h"
#include "client/INIData.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

SettingsListForm::SettingsListForm(const Names& names, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(names.caption));
    m_record = INIData::LoadSettings();

    m_text = new QLineEdit(this);
    m_text->setObjectName(QString::fromUtf8(names.textBox));
    m_list = new QListWidget(this);
    m_list->setObjectName(QString::fromUtf8(names.list));
    cmdAdd = new QPushButton(QStringLiteral("追加"), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    // Enter in the text box adds what was typed.
    cmdAdd->setDefault(true);
    cmdRemove = new QPushButton(QStringLiteral("削除"), this);
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf8(names.textLabel), this), 0, 0);
    grid->addWidget(m_text, 0, 1);
    grid->addWidget(cmdAdd, 0, 2);
    // The memo list has no caption of its own beside the list.
    if (*names.listLabel != '\0') {
        auto* listLabel = new QLabel(QString::fromUtf8(names.listLabel), this);
        listLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(listLabel, 1, 0);
    }
    grid->addWidget(m_list, 1, 1, 2, 1);
    grid->addWidget(cmdRemove, 1, 2, Qt::AlignTop);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    m_text->setMinimumWidth(m_text->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 18);

    connect(cmdAdd, &QPushButton::clicked, this, &SettingsListForm::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &SettingsListForm::cmdRemove_Click);
    connect(OKButton, &QPushButton::clicked, this, &SettingsListForm::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QStringList SettingsListForm::Entries() const
{
    QStringList entries;
    for (int row = 0; row < m_list->count(); ++row)
        entries << m_list->item(row)->text();
    return entries;
}

void SettingsListForm::LoadList(const QString& stored)
{
    m_list->clear();
    m_list->addItems(SplitStoredList(stored));
}

bool SettingsListForm::CanAdd(const QString&)
{
    return true;
}

void SettingsListForm::cmdAdd_Click()
{
    const QString text = m_text->text();
    if (text.isEmpty() || !CanAdd(text))
        return;
    m_list->addItem(text);
    m_text->clear();
}

void SettingsListForm::cmdRemove_Click()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (!selected.isEmpty())
        delete selected.first();
}

void SettingsListForm::OKButton_Click()
{
    if (Store(JoinCommaList(Entries())))
        accept();
}
