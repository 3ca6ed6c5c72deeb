#pragma once

#include "component/FileReceiveView.h"

#include <QDialog>

class FileReceiveWindow;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The receive window as a modeless dialog: the headline, the comment, the progress bar
// and text, and the four buttons. The cancel key reaches "閉じる"'s handler.
class FileReceiveDialog : public QDialog, public IFileReceiveView
{
    Q_OBJECT

public:
    explicit FileReceiveDialog(FileReceiveWindow& window);

    void Render(const FileReceiveState& state) override;
    QObject* BoxOwner() override { return this; }
    void Raise() override;

    QPushButton* OpenButton() const { return m_open; }
    QPushButton* SaveButton() const { return m_save; }
    QPushButton* RejectButton() const { return m_reject; }
    QPushButton* CloseButton() const { return m_close; }
    QLabel* Headline() const { return m_headline; }
    QLineEdit* CommentBox() const { return m_comment; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    FileReceiveWindow& m_window;
    QPushButton* m_save;
    QPushButton* m_reject;
    QPushButton* m_close;
    QPushButton* m_open;
    QProgressBar* m_progress;
    QLabel* m_progressText;
    QLabel* m_headline;
    QLabel* m_commentLabel;
    QLineEdit* m_comment;
};
