#include "FileTransForm.h"

#include "client/IChatActions.h"
#include "platform/OpenFileDialogService.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

FileTransForm::FileTransForm(IChatActions& actions, IOpenFileDialogService& openFiles,
                             QWidget* parent)
    : QDialog(parent), m_actions(actions), m_openFiles(openFiles)
{
    setWindowTitle(QStringLiteral("ファイル転送"));

    // The destination is the member the dialog was opened for; it cannot be retyped.
    txtDestination = new QLineEdit(this);
    txtDestination->setObjectName(QStringLiteral("txtDestination"));
    txtDestination->setReadOnly(true);
    txtFilePath = new QLineEdit(this);
    txtFilePath->setObjectName(QStringLiteral("txtFilePath"));
    txtFilePath->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    CmdFileRef = new QPushButton(QStringLiteral("参照..."), this);
    CmdFileRef->setObjectName(QStringLiteral("CmdFileRef"));
    CmdFileRef->setAutoDefault(false);
    txtComment = new QPlainTextEdit(this);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    txtComment->setTabChangesFocus(true);
    txtComment->setFixedHeight(fontMetrics().lineSpacing() * 4 + 12);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("送信先"), this), 0, 0);
    fields->addWidget(txtDestination, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("送るファイル"), this), 1, 0);
    fields->addWidget(txtFilePath, 1, 1);
    fields->addWidget(CmdFileRef, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("コメント"), this), 2, 0, Qt::AlignTop);
    fields->addWidget(txtComment, 2, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(CmdFileRef, &QPushButton::clicked, this, &FileTransForm::CmdFileRef_Click);
    connect(OKButton, &QPushButton::clicked, this, &FileTransForm::OKButton_Click);
    // Another file is another send, whatever became of the last one.
    connect(txtFilePath, &QLineEdit::textChanged, this, [this] { OKButton->setEnabled(true); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void FileTransForm::SetDisplayData(const QString& file, const QString& aliase)
{
    txtFilePath->setText(file);
    // A member without a nickname is shown by its address, so the user sees who it is.
    txtDestination->setText(aliase.isEmpty() ? destAddress : aliase);
}

void FileTransForm::CmdFileRef_Click()
{
    OpenFileRequest request;
    request.Folder = QDir::homePath();
    request.Filter = QStringLiteral("すべてのファイル (*.*)|*.*|") +
                     QStringLiteral("テキスト ファイル (*.txt)|*.txt|Word ファイル (*.doc)|*.doc");
    // A cancelled choice keeps the file shown before.
    if (const auto path = m_openFiles.AskOpenPath(request))
        txtFilePath->setText(*path);
}

void FileTransForm::OKButton_Click()
{
    // The address names the member; a nickname may be empty, so it is not asked for.
    const QString path = txtFilePath->text();
    if (destAddress.isEmpty() || path.isEmpty())
        return;
    m_actions.SendFile(destAddress, path, txtComment->toPlainText());
    // The dialog stays up (the transfer window shows the progress); one press sends once.
    // A file that cannot be read was not offered (a box has said why), so OK stays
    // for another try; a new path enables it again too (see the constructor).
    const QFileInfo file(path);
    OKButton->setEnabled(!file.isFile() || !file.isReadable());
}
