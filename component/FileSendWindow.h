#pragma once

#include "component/FileSendView.h"
#include "component/SendJob.h"
#include "component/TransferSettings.h"
#include "platform/PlatformServices.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <thread>

class ITransferComponent;
class TcpSocketWindow;

// The sending side of one transfer: waits for the receiver to connect to the transfer
// socket, runs the worker that streams the file, shows progress, and tells its user how
// the transfer ended. It asks the component to release it (WM_USER+402) when done; the
// component owns it and the transfer socket.
//
// States: hidden -> waiting for acceptance -> sending -> completed or stopped, each
// ending with the window closed. A closed connection only stops the worker; the window
// then waits for its user.
class FileSendWindow : public QObject
{
    Q_OBJECT

public:
    // `services` show the window, its boxes and its beep; they outlive the window.
    FileSendWindow(ITransferComponent& component, QObject* componentWindow,
                   TransferSettings settings, const PlatformServices& services);
    ~FileSendWindow() override;

    // Takes what the transfer needs and shows the window. The socket stays the
    // component's; the window only uses it.
    void Open(const QString& filePath, int64_t offeredSize, TcpSocketWindow* socket,
              const QByteArray& destination);

    // "転送中止", ignored once completed.
    void PressStop();
    // "RejectFileTrans" from `from`: the transfer ends only when the refusal comes from
    // the member the file is offered to; from anyone else it changes nothing.
    void OnRejectReceived(const QByteArray& from);

    // Stops the worker and waits until it has ended, so the socket may go. The window
    // shows nothing more after this.
    void Shutdown();

    const FileSendState& State() const { return m_state; }
    const SendJob& Job() const { return m_job; }
    bool Completed() const { return m_completed != 0; }
    const QByteArray& Destination() const { return m_destination; }

protected:
    bool event(QEvent* event) override;

private:
    void OnConnectionEvent(int kind);
    void OnAllSent();
    void StartWorker();
    void JoinWorker();
    // Asks the component for release and closes the window.
    void Finish();
    void Update(FileSendState state);

    QString m_filePath;
    int64_t m_offeredSize = 0;
    SendJob m_job;
    TcpSocketWindow* m_socket = nullptr;
    int32_t m_completed = 0;
    QByteArray m_destination;
    ITransferComponent& m_component;
    QObject* m_componentWindow;
    PlatformServices m_services;
    TransferSettings m_settings;
    FileSendState m_state;
    std::unique_ptr<IFileSendView> m_view;
    std::thread m_worker;
    // Set by the first of completion, stop and refusal: the others are ignored after it,
    // also while its box is open (a box runs the event loop).
    bool m_ending = false;
    bool m_shutDown = false;
};
