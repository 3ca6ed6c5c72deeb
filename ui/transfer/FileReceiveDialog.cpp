#include "FileReceiveDialog.h"

#include "DialogUnits.h"
#include "component/FileReceiveWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

FileReceiveDialog::FileReceiveDialog(FileReceiveWindow& window)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_window(window)
{
    setModal(false);
    setFont(TransferDialogFont());
    const DialogUnits du(font());
    setFixedSize(du.Size(250, 105));

    auto button = [this](const QString& text, QRect where) {
        auto* b = new QPushButton(text, this);
        b->setGeometry(where);
        b->setAutoDefault(false);
        return b;
    };
    m_save = button(SaveButtonText, du.Rect(73, 84, 55, 14));
    m_save->setDefault(true);
    m_reject = button(RejectButtonText, du.Rect(133, 84, 52, 14));
    m_close = button(CloseButtonText, du.Rect(191, 84, 52, 14));
    m_open = button(OpenButtonText, du.Rect(7, 84, 61, 14));
    connect(m_save, &QPushButton::clicked, this, [this] { m_window.PressSave(); });
    connect(m_reject, &QPushButton::clicked, this, [this] { m_window.PressReject(); });
    connect(m_close, &QPushButton::clicked, this, [this] { m_window.PressClose(); });
    connect(m_open, &QPushButton::clicked, this, [this] { m_window.PressOpen(); });

    m_progress = new QProgressBar(this);
    m_progress->setGeometry(du.Rect(7, 48, 236, 13));
    m_progress->setTextVisible(false);
    m_progressText = new QLabel(this);
    m_progressText->setGeometry(du.Rect(7, 68, 236, 11));
    m_progressText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_headline = new QLabel(this);
    m_headline->setGeometry(du.Rect(15, 7, 222, 20));
    m_headline->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_headline->setWordWrap(true);
    m_commentLabel = new QLabel(this);
    m_commentLabel->setGeometry(du.Rect(7, 32, 39, 10));
    m_commentLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_comment = new QLineEdit(this);
    m_comment->setGeometry(du.Rect(49, 30, 194, 13));
    m_comment->setReadOnly(true);

    Render(window.State());
}

void FileReceiveDialog::Render(const FileReceiveState& state)
{
    setWindowTitle(state.Caption);
    // Texts come from the peer: shown as they are, never as markup.
    m_headline->setTextFormat(Qt::PlainText);
    m_headline->setText(state.Headline);
    m_commentLabel->setText(state.CommentLabel);
    m_comment->setText(state.Comment);
    m_progressText->setText(state.ProgressText);
    m_progress->setRange(0, state.ProgressMaximum);
    m_progress->setValue(state.ProgressValue);
    m_open->setEnabled(state.OpenEnabled);
    m_save->setEnabled(state.SaveEnabled);
    m_reject->setEnabled(state.RejectEnabled);
    m_close->setEnabled(state.CloseEnabled);
    setVisible(state.Visible);
}

void FileReceiveDialog::reject()
{
    m_window.PressClose();
}

void FileReceiveDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void FileReceiveDialog::Raise()
{
    if (!isVisible())
        return;
    raise();
    activateWindow();
}
