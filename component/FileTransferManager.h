#pragma once

#include "component/ITransferComponent.h"
#include "component/TransferSettings.h"
#include "platform/MessageBoxService.h"
#include "platform/PlatformServices.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

class FileReceiveWindow;
class FileSendWindow;
class ProtocolEngine;
class QEvent;
class QObject;
class TcpSocketWindow;
class XmlElementList;
struct MemberRecord;

// The component's side of file transfer: offering a file (FileTransfer), the offers,
// stops and refusals that arrive, the one-window-at-a-time rule, and the release of the
// windows when they ask for it. It holds at most one transfer window, a send window or
// a receive window, and while a send window exists its transfer socket.
class FileTransferManager : public ITransferComponent
{
public:
    // `services` show the boxes and the windows; they outlive the manager.
    FileTransferManager(QObject* componentWindow, ProtocolEngine& engine, TransferSettings settings,
                        const PlatformServices& services);
    ~FileTransferManager() override;

    struct OfferResult {
        int32_t RetCode = 0;
        QString Error; // when not empty, the call fails with this description
    };
    // Offers the file at `filePath` to the member at `address` (see PalavoIF::FileTransfer).
    OfferResult FileTransfer(const QByteArray& address, const QString& filePath,
                             const QString& comment);

    // "FileTransfer", "StopFileTrans" and "RejectFileTrans" from a member.
    void OnCommand(const QByteArray& command, const MemberRecord& sender,
                   const XmlElementList& elements);

    // The release messages the windows post to the component window; false for others.
    bool Handle(QEvent* event);

    // The program ends (IStopTransfers): each window stops as its own button would and
    // is released at once, its worker ended; the event loop may not turn again.
    void StopAll();

    void SendStop(const QByteArray& address) override;
    void SendRefusal(const QByteArray& address) override;

    FileSendWindow* SendWindow() const { return m_sendWindow.get(); }
    FileReceiveWindow* ReceiveWindow() const { return m_receiveWindow.get(); }
    TcpSocketWindow* TransferSocket() const { return m_transferSocket.get(); }
    const TransferSettings& Settings() const { return m_settings; }

private:
    bool WindowOpen() const { return m_sendWindow != nullptr || m_receiveWindow != nullptr; }
    void OnOffer(const MemberRecord& sender, const XmlElementList& elements);
    void ReleaseSendWindow();
    void ReleaseReceiveWindow();
    void SendCommand(const QByteArray& address, const QByteArray& text);
    void ShowBox(QObject* owner, const QString& text, const QString& caption, MessageBoxIcon icon);

    QObject* m_componentWindow;
    ProtocolEngine& m_engine;
    TransferSettings m_settings;
    PlatformServices m_services;
    std::unique_ptr<FileSendWindow> m_sendWindow;
    std::unique_ptr<TcpSocketWindow> m_transferSocket;
    std::unique_ptr<FileReceiveWindow> m_receiveWindow;
};
