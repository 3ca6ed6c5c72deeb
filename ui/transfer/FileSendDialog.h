#pragma once

#include "component/FileSendView.h"

#include <QDialog>

class FileSendWindow;
class QLabel;
class QProgressBar;
class QPushButton;

// The send window as a modeless dialog: caption and frame, no system menu, the state
// text, the progress bar and text, and "転送中止".
class FileSendDialog : public QDialog, public IFileSendView
{
    Q_OBJECT

public:
    explicit FileSendDialog(FileSendWindow& window);

    void Render(const FileSendState& state) override;
    QObject* BoxOwner() override { return this; }

    QPushButton* StopButton() const { return m_stop; }

protected:
    // Without a cancel button the cancel key does nothing, and the window cannot be
    // closed except through its button.
    void reject() override {}
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_stateText;
    QProgressBar* m_progress;
    QLabel* m_progressText;
    QPushButton* m_stop;
};
