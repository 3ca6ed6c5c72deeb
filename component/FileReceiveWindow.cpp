#include "FileReceiveWindow.h"

#include "component/FileTransferCommands.h"
#include "component/ITransferComponent.h"
#include "component/ReceiveWorker.h"
#include "component/TransferIo.h"
#include "component/TransferMessages.h"
#include "component/TransferViewFactory.h"
#include "engine/Commands.h"
#include "engine/SocketEvent.h"
#include "engine/TcpSocketWindow.h"
#include "platform/BeepService.h"
#include "platform/NotificationService.h"
#include "platform/MessageBoxService.h"
#include "platform/SaveAsDialogService.h"
#include "platform/ShellService.h"

#include <QFile>
#include <QPointer>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr int DrainPassMs = 20;
constexpr int DrainBlockBytes = 64 * 1024;
constexpr int DrainBlocksPerPass = 16;
} // namespace

FileReceiveWindow::FileReceiveWindow(ITransferComponent& component, QObject* componentWindow,
                                     TransferSettings settings, ReceivedOffer offer,
                                     const PlatformServices& services)
    : m_offer(std::move(offer)), m_component(component), m_componentWindow(componentWindow),
      m_services(services), m_settings(settings)
{
    m_drain.setInterval(DrainPassMs);
    connect(&m_drain, &QTimer::timeout, this, &FileReceiveWindow::Drain);
    m_view = m_services.TransferViews.MakeReceiveView(*this);
}

FileReceiveWindow::~FileReceiveWindow()
{
    m_services.Notifications.Withdraw(QStringLiteral("file"));
    Shutdown();
    m_socket.reset();
}

void FileReceiveWindow::Shutdown()
{
    m_shutDown = true;
    m_drain.stop();
    m_job.StopFlag = 1;
    JoinWorker();
}

void FileReceiveWindow::JoinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void FileReceiveWindow::Update(FileReceiveState state)
{
    if (m_shutDown || state == m_state)
        return;
    m_state = std::move(state);
    m_view->Render(m_state);
}

void FileReceiveWindow::SetButtons(bool open, bool save, bool reject, bool close)
{
    FileReceiveState state = m_state;
    state.OpenEnabled = open;
    state.SaveEnabled = save;
    state.RejectEnabled = reject;
    state.CloseEnabled = close;
    Update(state);
}

void FileReceiveWindow::ShowBox(QObject* owner, const QString& text, const QString& caption)
{
    MessageBoxRequest box;
    box.Text = text;
    box.Caption = caption;
    box.Icon = MessageBoxIcon::Error;
    m_services.MessageBoxes.Show(owner, box);
}

void FileReceiveWindow::Show()
{
    FileReceiveState state = m_state;
    state.Visible = true;
    state.Headline = QStringLiteral("%1さんから、ファイル %2 を受け取ります")
                         .arg(m_offer.SenderAlias, m_offer.FileName);
    state.ProgressText.clear();
    state.Comment = m_offer.Comment;
    state.OpenEnabled = false;
    state.SaveEnabled = true;
    state.RejectEnabled = true;
    state.CloseEnabled = false;
    Update(state);
    m_services.Beeps.Beep(1000, 200);
    // One receive window at a time, so one notification of an offer at a time.
    m_services.Notifications.Notify({QStringLiteral("file"), m_offer.SenderAlias, state.Headline},
                                    this, [this] { m_view->Raise(); });
}

bool FileReceiveWindow::event(QEvent* event)
{
    if (!IsWindowMessage(event))
        return QObject::event(event);
    const auto* message = static_cast<WindowMessage*>(event);
    switch (message->Message()) {
    case WM_TCP_NOTIFY:
        if (const auto* notification = dynamic_cast<const SocketMessage*>(event);
            notification != nullptr && notification->Event.Kind == SocketEvent::Closed)
            OnConnectionClosed();
        return true;
    case WM_TRANSFER_PROGRESS: {
        if (m_closed)
            return true;
        Update(FileTransferCommands::WithProgress(m_state, message->WParam(), message->LParam()));
        return true;
    }
    case WM_RECEIVE_DONE:
        OnAllWritten();
        return true;
    case WM_WORKER_BOX:
        if (const auto* box = dynamic_cast<const WorkerBoxMessage*>(event))
            m_services.MessageBoxes.Show(nullptr, box->Box);
        return true;
    default:
        return QObject::event(event);
    }
}

void FileReceiveWindow::PressSave()
{
    if (m_closed || !m_state.SaveEnabled)
        return;
    SaveAsRequest request;
    request.FileName = m_offer.FileName;
    // The dialog runs the event loop: meanwhile the sender may stop, the user may refuse
    // or close, and the component may even release this window.
    const QPointer<FileReceiveWindow> self(this);
    const std::optional<QString> chosen = m_services.SaveAs.AskSavePath(request);
    if (self.isNull() || m_closed || m_shutDown || !m_state.SaveEnabled)
        return; // stopped meanwhile: nothing is deleted, nobody is called
    if (!chosen || chosen->isEmpty())
        return;
    m_savePath = *chosen;
    const QByteArray path = QFile::encodeName(m_savePath);
    struct stat info {
    };
    if (lstat(path.constData(), &info) == 0 && unlink(path.constData()) != 0) {
        ShowBox(m_view->BoxOwner(), TransferIo::SystemErrorText(errno), QStringLiteral("警告"));
        return;
    }
    SetButtons(false, false, true, false);
    StartReceiving();
}

void FileReceiveWindow::StartReceiving()
{
    // A size of 0 (or a negative one) has nothing to receive; neither has an offer that
    // names no sender.
    if (m_socket != nullptr || m_offer.SenderPort < 0 || m_offer.SenderAddress.isEmpty() ||
        m_offer.SenderAlias.isEmpty() || m_offer.FileSize <= 0)
        return;
    // The window owns the socket from here; it is released on "閉じる" or when the
    // connection closes, each time after the worker has ended.
    m_socket = std::make_unique<TcpSocketWindow>(this);
    const bool started = m_offer.SenderPort <= 0xFFFF &&
                         m_socket->Connect(m_offer.SenderAddress, m_offer.SenderPort, WM_TCP_NOTIFY,
                                           TransferPacing::ChunkBytes, false) != 0;
    if (!started) {
        ShowBox(nullptr, QStringLiteral("ファイル送信元とコネクションが確立されませんでした"),
                QStringLiteral("ファイル受信"));
        m_socket.reset();
        return;
    }
    m_job.SavePath = m_savePath;
    m_job.FileSize = m_offer.FileSize;
    m_job.StopFlag = 0;
    m_job.RunningFlag = 0;
    m_job.Socket = m_socket.get();
    m_job.Window = this;
    m_job.DoneFlag = 0;
    m_job.FastTransfer = m_settings.FastTransfer;
    if (m_settings.StartWorkers)
        m_worker = std::thread(&ReceiveWorker::Run, std::ref(m_job));
}

void FileReceiveWindow::OnAllWritten()
{
    if (m_closed)
        return;
    m_completed = 1;
    SetButtons(true, false, false, true);
    m_services.Beeps.Beep(2000, 1000);
}

void FileReceiveWindow::PressOpen()
{
    if (m_closed || !m_state.OpenEnabled)
        return;
    m_services.Shell.Open(m_savePath);
}

void FileReceiveWindow::PressReject()
{
    if (m_closed || m_completed != 0)
        return;
    FileReceiveState state = m_state;
    state.OpenEnabled = state.SaveEnabled = state.RejectEnabled = false;
    state.CloseEnabled = true;
    state.Comment = QStringLiteral("ファイルの受信を中止しました");
    Update(state);
    StopAndDrain();
    m_component.SendRefusal(m_offer.SenderAddress);
}

void FileReceiveWindow::OnStopReceived(const QByteArray& address)
{
    if (m_closed || address != m_offer.SenderAddress)
        return;
    StopAndDrain();
    FileReceiveState state = m_state;
    state.OpenEnabled = state.SaveEnabled = state.RejectEnabled = false;
    state.CloseEnabled = true;
    state.Comment = QStringLiteral("相手がファイルの転送を中止しました");
    Update(state);
}

void FileReceiveWindow::StopAndDrain()
{
    m_job.StopFlag = 1;
    if (m_socket != nullptr)
        m_drain.start();
}

void FileReceiveWindow::Drain()
{
    if (m_socket == nullptr) {
        m_drain.stop();
        return;
    }
    JoinWorker(); // told to stop: it is gone within one pass
    QByteArray scratch(DrainBlockBytes, '\0');
    for (int i = 0; i < DrainBlocksPerPass; ++i) {
        if (m_socket->Receive(scratch.data(), DrainBlockBytes) <= 0)
            break;
    }
}

void FileReceiveWindow::ReleaseSocket()
{
    m_drain.stop();
    m_job.StopFlag = 1;
    // Waiting for the worker replaces a fixed pause: the socket goes only once nothing
    // can use it any more.
    JoinWorker();
    m_job.Socket = nullptr;
    m_socket.reset();
}

void FileReceiveWindow::OnConnectionClosed()
{
    if (m_closed || m_socket == nullptr)
        return; // a notice from a socket already released
    ReleaseSocket();
    if (m_job.DoneFlag == 0)
        ShowBox(nullptr, QStringLiteral("ファイル転送(受信)が途中で中断されました"),
                QStringLiteral("ファイル受信"));
    SetButtons(m_job.DoneFlag != 0, false, false, true);
}

void FileReceiveWindow::PressClose()
{
    if (m_closed)
        return;
    m_closed = true;
    ReleaseSocket();
    PostWindowMessage(m_componentWindow, WM_RELEASE_RECEIVE_WINDOW);
    FileReceiveState state = m_state;
    state.Visible = false;
    Update(state);
}
