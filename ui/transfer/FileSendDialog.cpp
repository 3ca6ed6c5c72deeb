#include "FileSendDialog.h"

#include "DialogUnits.h"
#include "component/FileSendWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

FileSendDialog::FileSendDialog(FileSendWindow& window)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setModal(false);
    setFont(TransferDialogFont());
    const DialogUnits du(font());
    setFixedSize(du.Size(238, 78));

    m_stateText = new QLabel(this);
    m_stateText->setGeometry(du.Rect(7, 7, 224, 15));
    m_stateText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_progress = new QProgressBar(this);
    m_progress->setGeometry(du.Rect(7, 25, 224, 14));
    m_progress->setTextVisible(false);
    m_progressText = new QLabel(this);
    m_progressText->setGeometry(du.Rect(7, 42, 224, 15));
    m_progressText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_stop = new QPushButton(StopButtonText, this);
    m_stop->setGeometry(du.Rect(94, 57, 50, 14));
    connect(m_stop, &QPushButton::clicked, this, [&window] { window.PressStop(); });

    Render(window.State());
}

void FileSendDialog::Render(const FileSendState& state)
{
    setWindowTitle(state.Caption);
    m_stateText->setText(state.StateText);
    m_progressText->setText(state.ProgressText);
    m_progress->setRange(0, state.ProgressMaximum);
    m_progress->setValue(state.ProgressValue);
    m_stop->setEnabled(state.StopEnabled);
    setVisible(state.Visible);
}

void FileSendDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
