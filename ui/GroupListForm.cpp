#include "GroupListForm.h"

#include "client/ChatInfo.h"
#include "client/ChatSession.h"
#include "client/CommaList.h"
#include "client/INIData.h"
#include "platform/MessageBoxService.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

GroupListForm::GroupListForm(ChatInfo& info, IMessageBoxService& boxes, QWidget* parent)
    : QDialog(parent), m_info(info), m_boxes(boxes)
{
    setWindowTitle(QStringLiteral("グループリスト設定"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("自分のグループを設定して下さい"), this), 0, 0, 1, 2);
    const char* const numbers[GroupBoxes] = {"1", "(2)", "(3)", "(4)", "(5)"};
    for (int i = 0; i < GroupBoxes; ++i) {
        txtGroup[i] = new QLineEdit(this);
        txtGroup[i]->setObjectName(QStringLiteral("txtGroup%1").arg(i));
        auto* number = new QLabel(QString::fromLatin1(numbers[i]), this);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(number, i + 1, 0);
        grid->addWidget(txtGroup[i], i + 1, 1);
    }
    grid->setColumnStretch(1, 1);

    ChkHostList = new QCheckBox(
        QStringLiteral(" IP Messenger Exchange Serverと連携する\n (ホストリストを使用する)"), this);
    ChkHostList->setObjectName(QStringLiteral("ChkHostList"));
    auto* notes = new QGridLayout;
    notes->addWidget(new QLabel(QStringLiteral("ご注意）"), this), 0, 0, Qt::AlignTop);
    notes->addWidget(new QLabel(QStringLiteral("第1グループのみがIP Messenger互換です。"), this), 0,
                     1);
    notes->addWidget(new QLabel(QStringLiteral("第2グループ以降はPalavo XPのみ有効です。"), this),
                     1, 1);
    notes->setColumnStretch(1, 1);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    Command1 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(Command1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(ChkHostList);
    layout->addLayout(notes);
    layout->addLayout(buttons);

    connect(ChkHostList, &QCheckBox::toggled, this, &GroupListForm::EnableBoxes);
    connect(cmdOK, &QPushButton::clicked, this, &GroupListForm::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);

    // Load: the switch first, then the stored groups from the first box on.
    m_record = INIData::LoadSettings();
    ChkHostList->setChecked(m_record.hostlist);
    EnableBoxes();
    const QStringList groups = SplitStoredList(m_record.grouplist);
    for (int i = 0; i < GroupBoxes && i < groups.size(); ++i)
        txtGroup[i]->setText(groups[i]);
}

void GroupListForm::EnableBoxes()
{
    const bool hostlist = ChkHostList->isChecked();
    txtGroup[0]->setEnabled(true);
    for (int i = 1; i < GroupBoxes; ++i)
        txtGroup[i]->setEnabled(!hostlist);
}

void GroupListForm::cmdOK_Click()
{
    // Disabled boxes count too: the host list hides them, it does not clear them.
    // A box is read as the settings object will read the stored list: split at each
    // comma and trimmed, blanks dropped. So " すべて" or "a,すべて" is caught here, and a
    // stray comma cannot leave an empty field that would end the stored list early.
    QStringList groups;
    for (QLineEdit* box : txtGroup) {
        for (const QString& piece : box->text().split(u',')) {
            // A piece has no comma left: parsing it trims it, or drops it when blank.
            const QStringList item = ParseCommaList(piece);
            if (item.contains(ChatSession::AllGroups())) {
                m_boxes.Show(this, {QStringLiteral("グループ「") + ChatSession::AllGroups() +
                                        QStringLiteral("」は設定できません"),
                                    QStringLiteral("警告"), MessageBoxIcon::Warning,
                                    MessageBoxButtons::Ok});
                return;
            }
            groups << item;
        }
    }
    const QString list = JoinCommaList(groups);
    m_info.setGroups(list);
    m_record.hostlist = ChkHostList->isChecked();
    m_info.setUseHostlist(m_record.hostlist);
    m_record.grouplist = list;
    INIData::SaveSettings(m_record);
    accept();
}
