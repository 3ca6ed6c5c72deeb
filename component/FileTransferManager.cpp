#include "FileTransferManager.h"

#include "component/FileReceiveWindow.h"
#include "component/FileSendWindow.h"
#include "component/FileTransferCommands.h"
#include "component/TransferIo.h"
#include "component/TransferMessages.h"
#include "engine/Commands.h"
#include "engine/ProtocolEngine.h"
#include "engine/TcpSocketWindow.h"
#include "platform/Cp932.h"
#include "platform/MessageBoxService.h"

#include <QFileInfo>

#include <unistd.h>

namespace
{

// Sizes travel as signed 32-bit numbers: anything larger would be offered with a
// wrong size, so it is refused before anything is offered.
constexpr int64_t OfferLimit = int64_t{1} << 31;

} // namespace

FileTransferManager::FileTransferManager(QObject* componentWindow, ProtocolEngine& engine,
                                         TransferSettings settings,
                                         const PlatformServices& services)
    : m_componentWindow(componentWindow), m_engine(engine), m_settings(settings),
      m_services(services)
{
}

void FileTransferManager::ShowBox(QObject* owner, const QString& text, const QString& caption,
                                  MessageBoxIcon icon)
{
    MessageBoxRequest box;
    box.Text = text;
    box.Caption = caption;
    box.Icon = icon;
    m_services.MessageBoxes.Show(owner, box);
}

// Windows first: each waits for its worker before its socket may go.
FileTransferManager::~FileTransferManager()
{
    m_sendWindow.reset();
    m_transferSocket.reset();
    m_receiveWindow.reset();
}

FileTransferManager::OfferResult FileTransferManager::FileTransfer(const QByteArray& address,
                                                                   const QString& filePath,
                                                                   const QString& comment)
{
    if (WindowOpen()) {
        ShowBox(m_componentWindow,
                QStringLiteral("ファイル転送処理中のため、別のファイル転送は出来ません"),
                QStringLiteral("警告"), MessageBoxIcon::Warning);
        return {0, {}};
    }
    const MemberRecord* member = m_engine.Members().Find(address);
    if (member == nullptr || !member->IsProductPeer())
        return {-1, {}};
    const QByteArray destination = member->IPAddress;

    // Only its size is needed here; the worker opens it again when the receiver comes.
    const TransferIo::OpenedFile file = TransferIo::OpenRegularFile(filePath);
    if (file.Fd < 0) {
        ShowBox(nullptr,
                QStringLiteral("送信するファイルをオープンできませんでした\n") + file.Reason(),
                QStringLiteral("エラー"), MessageBoxIcon::Error);
        return {0, {}};
    }
    close(file.Fd);
    const int64_t size = file.Size;
    if (size >= OfferLimit) {
        ShowBox(nullptr, QStringLiteral("2GB以上のファイルは送信できません\n") + filePath,
                QStringLiteral("エラー"), MessageBoxIcon::Error);
        return {0, {}};
    }
    const int32_t port = m_engine.Own().PortNo + 1;
    const QByteArray offer = FileTransferCommands::OfferText(
        m_engine.Own().MyAliase, port, Cp932::FromUnicode(QFileInfo(filePath).fileName()),
        static_cast<int32_t>(size), Cp932::FromUnicode(comment));

    m_sendWindow =
        std::make_unique<FileSendWindow>(*this, m_componentWindow, m_settings, m_services);
    // On either failure below the hidden window goes again, so that later transfers and
    // offers are not refused for ever.
    if (m_transferSocket != nullptr) {
        ShowBox(m_componentWindow, QStringLiteral("ファイル転送用のポートを準備できません"),
                QStringLiteral("エラー"), MessageBoxIcon::Error);
        m_sendWindow.reset();
        return {0, {}};
    }
    auto socket = std::make_unique<TcpSocketWindow>(m_sendWindow.get());
    // Only the member the file is offered to may fetch it; anyone else who connects
    // first is turned away and the port keeps waiting.
    socket->AcceptOnlyFrom(destination);
    if (socket->Listen(port, WM_TCP_NOTIFY, TransferPacing::ChunkBytes, true) == 0) {
        const int error = socket->LastError();
        socket.reset();
        m_sendWindow.reset();
        return {0, QStringLiteral("ファイル転送用のポートを作れませんでした(Server PortNo=%1)\n"
                                  "ERROR = %2")
                       .arg(port)
                       .arg(error)};
    }
    m_transferSocket = std::move(socket);
    m_sendWindow->Open(filePath, size, m_transferSocket.get(), destination);
    m_engine.SendXmlMessage(destination, offer);
    return {0, {}};
}

void FileTransferManager::OnCommand(const QByteArray& command, const MemberRecord& sender,
                                    const XmlElementList& elements)
{
    if (command == "FileTransfer") {
        OnOffer(sender, elements);
    } else if (command == "StopFileTrans") {
        if (m_receiveWindow != nullptr && m_sendWindow == nullptr)
            m_receiveWindow->OnStopReceived(sender.IPAddress);
    } else if (command == "RejectFileTrans") {
        if (m_sendWindow != nullptr && m_receiveWindow == nullptr)
            m_sendWindow->OnRejectReceived(sender.IPAddress);
    }
}

// An offer during another transfer is dropped without a refusal.
void FileTransferManager::OnOffer(const MemberRecord& sender, const XmlElementList& elements)
{
    if (WindowOpen())
        return;
    const FileTransferCommands::Offer offer = FileTransferCommands::ReadOffer(elements);
    ReceivedOffer received;
    received.FileName = FileTransferCommands::PlainFileName(Cp932::ToUnicode(offer.FileName));
    received.FileSize = offer.FileSize;
    received.SenderAlias = Cp932::ToUnicode(offer.Sender);
    received.Comment = Cp932::ToUnicode(offer.Comment);
    received.SenderAddress = sender.IPAddress;
    received.SenderPort = offer.PortNo;
    m_receiveWindow = std::make_unique<FileReceiveWindow>(*this, m_componentWindow, m_settings,
                                                          std::move(received), m_services);
    m_receiveWindow->Show();
}

void FileTransferManager::StopAll()
{
    if (m_sendWindow != nullptr)
        m_sendWindow->PressStop(); // ignored once completed
    if (m_receiveWindow != nullptr) {
        // Still offered or receiving: the sender hears the refusal. Once done, refused or
        // stopped by the sender there is nothing to tell.
        if (m_receiveWindow->State().RejectEnabled)
            m_receiveWindow->PressReject();
        m_receiveWindow->PressClose();
    }
    ReleaseSendWindow();
    ReleaseReceiveWindow();
}

bool FileTransferManager::Handle(QEvent* event)
{
    if (!IsWindowMessage(event))
        return false;
    switch (static_cast<WindowMessage*>(event)->Message()) {
    case WM_RELEASE_SEND_WINDOW:
        ReleaseSendWindow();
        return true;
    case WM_RELEASE_RECEIVE_WINDOW:
        ReleaseReceiveWindow();
        return true;
    default:
        return false;
    }
}

// The window may still be on the stack below a box that runs the event loop, so it is
// deleted later; its worker has ended before the socket goes.
void FileTransferManager::ReleaseSendWindow()
{
    if (m_sendWindow != nullptr) {
        m_sendWindow->Shutdown();
        FileSendWindow* window = m_sendWindow.release();
        window->setParent(m_componentWindow);
        window->deleteLater();
    }
    m_transferSocket.reset();
}

void FileTransferManager::ReleaseReceiveWindow()
{
    if (m_receiveWindow == nullptr)
        return;
    m_receiveWindow->Shutdown();
    FileReceiveWindow* window = m_receiveWindow.release();
    window->setParent(m_componentWindow);
    window->deleteLater();
}

void FileTransferManager::SendCommand(const QByteArray& address, const QByteArray& text)
{
    const MemberRecord* member = m_engine.Members().Find(address);
    if (member != nullptr)
        m_engine.SendXmlMessage(member->IPAddress, text);
}

void FileTransferManager::SendStop(const QByteArray& address)
{
    SendCommand(address, FileTransferCommands::StopText());
}

void FileTransferManager::SendRefusal(const QByteArray& address)
{
    SendCommand(address, FileTransferCommands::RejectText());
}
