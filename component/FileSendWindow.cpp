#include "FileSendWindow.h"

#include "component/FileTransferCommands.h"
#include "component/ITransferComponent.h"
#include "component/SendWorker.h"
#include "component/TransferMessages.h"
#include "component/TransferViewFactory.h"
#include "engine/Commands.h"
#include "engine/SocketEvent.h"
#include "platform/BeepService.h"
#include "platform/MessageBoxService.h"

FileSendWindow::FileSendWindow(ITransferComponent& component, QObject* componentWindow,
                               TransferSettings settings, const PlatformServices& services)
    : m_component(component), m_componentWindow(componentWindow), m_services(services),
      m_settings(settings)
{
    m_view = m_services.TransferViews.MakeSendView(*this);
}

FileSendWindow::~FileSendWindow()
{
    Shutdown();
}

void FileSendWindow::Shutdown()
{
    m_shutDown = true;
    m_job.StopFlag = 1;
    JoinWorker();
}

void FileSendWindow::JoinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void FileSendWindow::Update(FileSendState state)
{
    if (m_shutDown || state == m_state)
        return;
    m_state = std::move(state);
    m_view->Render(m_state);
}

void FileSendWindow::Open(const QString& filePath, int64_t offeredSize, TcpSocketWindow* socket,
                          const QByteArray& destination)
{
    m_filePath = filePath;
    m_offeredSize = offeredSize;
    m_socket = socket;
    m_destination = destination;
    FileSendState shown = m_state;
    shown.Visible = true;
    shown.StateText = QStringLiteral("相手の受信承諾を待っています");
    shown.ProgressText.clear();
    shown.StopEnabled = true;
    Update(shown);
}

bool FileSendWindow::event(QEvent* event)
{
    if (!IsWindowMessage(event))
        return QObject::event(event);
    const auto* message = static_cast<WindowMessage*>(event);
    switch (message->Message()) {
    case WM_TCP_NOTIFY:
        if (const auto* notification = dynamic_cast<const SocketMessage*>(event))
            OnConnectionEvent(notification->Event.Kind);
        return true;
    case WM_TRANSFER_PROGRESS: {
        if (m_ending)
            return true; // a late report from a worker that has been stopped
        Update(FileTransferCommands::WithProgress(m_state, message->WParam(), message->LParam()));
        return true;
    }
    case WM_SEND_DONE:
        OnAllSent();
        return true;
    case WM_WORKER_BOX:
        if (const auto* box = dynamic_cast<const WorkerBoxMessage*>(event))
            m_services.MessageBoxes.Show(nullptr, box->Box);
        return true;
    default:
        return QObject::event(event);
    }
}

void FileSendWindow::OnConnectionEvent(int kind)
{
    if (m_ending)
        return;
    if (kind == SocketEvent::Accepted) {
        FileSendState state = m_state;
        state.StateText = QStringLiteral("ファイル転送中です");
        Update(state);
        if (m_socket != nullptr)
            StartWorker();
    } else if (kind == SocketEvent::Closed) {
        m_job.StopFlag = 1; // the worker ends; the window waits for its user
    }
    // Data from the receiver means nothing here and is dropped.
}

void FileSendWindow::StartWorker()
{
    // A connection after an earlier one closed starts over; the earlier worker has been
    // told to stop and must be gone before the job is filled again.
    m_job.StopFlag = 1;
    JoinWorker();
    m_job.FilePath = m_filePath;
    m_job.OfferedSize = m_offeredSize;
    m_job.StopFlag = 0;
    m_job.RunningFlag = 0;
    m_job.Socket = m_socket;
    m_job.Window = this;
    m_job.FastTransfer = m_settings.FastTransfer;
    if (m_settings.StartWorkers)
        m_worker = std::thread(&SendWorker::Run, std::ref(m_job));
}

void FileSendWindow::OnAllSent()
{
    if (m_ending)
        return;
    m_ending = true;
    FileSendState state = m_state;
    state.StopEnabled = false;
    Update(state);
    m_services.Beeps.Beep(2000, 1000);
    m_completed = 1;
    MessageBoxRequest box;
    box.Text = QStringLiteral("ファイル転送が完了しました");
    box.Caption = QStringLiteral("ファイル転送");
    box.Icon = MessageBoxIcon::Information;
    m_services.MessageBoxes.Show(m_view->BoxOwner(), box);
    Finish();
}

void FileSendWindow::PressStop()
{
    if (m_completed != 0 || m_ending)
        return;
    m_ending = true;
    FileSendState state = m_state;
    state.StopEnabled = false;
    Update(state);
    // Instead of a fixed pause, wait for the worker itself: nothing is sent after the
    // stop command and the socket can go as soon as the component wants.
    m_job.StopFlag = 1;
    JoinWorker();
    m_component.SendStop(m_destination);
    Finish();
}

void FileSendWindow::OnRejectReceived(const QByteArray& from)
{
    // Any member could send the refusal, and a third one must not be able to break a
    // transfer it has no part in.
    if (m_ending || from != m_destination)
        return;
    m_ending = true;
    m_job.StopFlag = 1;
    MessageBoxRequest box;
    box.Text = QStringLiteral("ファイルの受信を拒否されました");
    box.Caption = QStringLiteral("通知");
    box.Buttons = MessageBoxButtons::Ok;
    m_services.MessageBoxes.Show(m_view->BoxOwner(), box);
    Finish();
}

void FileSendWindow::Finish()
{
    PostWindowMessage(m_componentWindow, WM_RELEASE_SEND_WINDOW);
    FileSendState state = m_state;
    state.Visible = false;
    Update(state);
}
