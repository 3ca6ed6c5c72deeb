#pragma once

#include <QDialog>
#include <QString>

class IChatActions;
class IOpenFileDialogService;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "ファイル転送": the user confirms a file to send to one member, with an optional
// comment. The caller sets destAddress and then the display data, then shows it; OK
// hands the file to the session and stays open with OK disabled, so one press sends
// once. OK is enabled again when the path changes, or when the file could not be read
// and so was not sent.
class FileTransForm : public QDialog
{
    Q_OBJECT
public:
    // `actions` and `openFiles` outlive the dialog.
    FileTransForm(IChatActions& actions, IOpenFileDialogService& openFiles,
                  QWidget* parent = nullptr);

    void SetDisplayData(const QString& file, const QString& aliase);

    // The member's IP address, set by the caller before showing.
    QString destAddress;

    QLineEdit* txtDestination = nullptr;
    QLineEdit* txtFilePath = nullptr;
    QPushButton* CmdFileRef = nullptr;
    QPlainTextEdit* txtComment = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void CmdFileRef_Click();
    void OKButton_Click();

    IChatActions& m_actions;
    IOpenFileDialogService& m_openFiles;
};
