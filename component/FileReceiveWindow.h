#pragma once

#include "component/FileReceiveView.h"
#include "component/ReceiveJob.h"
#include "component/TransferSettings.h"
#include "platform/PlatformServices.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <thread>

class ITransferComponent;
class TcpSocketWindow;

// What an offer tells the receiving side, its texts already in Unicode.
struct ReceivedOffer {
    QString FileName; // reduced to a plain file name
    int32_t FileSize = 0;
    QString SenderAlias;
    QString Comment;
    QByteArray SenderAddress;
    int32_t SenderPort = -1;
};

// The receiving side of one transfer: shows who offers which file, asks where to save
// it, connects to the sender, runs the worker that writes the file, shows progress and
// tells its user how the transfer ended. It owns its transfer socket and asks the
// component to release it (WM_USER+403) when the user closes it.
//
// States: offered -> connecting/receiving -> done; from any of them refused, stopped
// by the sender or interrupted; the window always ends with "閉じる".
class FileReceiveWindow : public QObject
{
    Q_OBJECT

public:
    // `services` show the window, its boxes, beeps and dialogs; they outlive the window.
    FileReceiveWindow(ITransferComponent& component, QObject* componentWindow,
                      TransferSettings settings, ReceivedOffer offer,
                      const PlatformServices& services);
    ~FileReceiveWindow() override;

    void Show();

    void PressSave();   // "受信・保存"
    void PressReject(); // "受信拒否", ignored once completed
    void PressClose();  // "閉じる", and the cancel key
    void PressOpen();   // "ファイルを開く"

    // "StopFileTrans" from `address`; only the offering sender is heard.
    void OnStopReceived(const QByteArray& address);

    // Stops the worker and waits until it has ended. The window shows nothing more.
    void Shutdown();

    const FileReceiveState& State() const { return m_state; }
    const ReceivedOffer& Offer() const { return m_offer; }
    const ReceiveJob& Job() const { return m_job; }
    const QString& SavePath() const { return m_savePath; }
    bool Completed() const { return m_completed != 0; }
    const TcpSocketWindow* Socket() const { return m_socket.get(); }

protected:
    bool event(QEvent* event) override;

private:
    void StartReceiving();
    void OnConnectionClosed();
    void OnAllWritten();
    void StopAndDrain();
    void Drain();
    void ReleaseSocket();
    void JoinWorker();
    void SetButtons(bool open, bool save, bool reject, bool close);
    void Update(FileReceiveState state);
    void ShowBox(QObject* owner, const QString& text, const QString& caption);

    ReceivedOffer m_offer;
    ITransferComponent& m_component;
    ReceiveJob m_job;
    std::unique_ptr<TcpSocketWindow> m_socket;
    int32_t m_completed = 0;
    QString m_savePath;
    QObject* m_componentWindow;
    PlatformServices m_services;
    TransferSettings m_settings;
    FileReceiveState m_state;
    std::unique_ptr<IFileReceiveView> m_view;
    std::thread m_worker;
    // After a stop the window reads and drops what is still on its way, so that the
    // sender's close can be seen (it shows only once everything sent was read).
    QTimer m_drain;
    bool m_closed = false;
    bool m_shutDown = false;
};
