#pragma once

#include "component/FileReceiveWindow.h"
#include "component/FileSendWindow.h"
#include "component/FileTransferManager.h"
#include "component/HeadlessTransferViews.h"
#include "component/PalavoIF.h"
#include "platform/BeepService.h"
#include "platform/MessageBoxService.h"
#include "platform/OpenFileDialogService.h"
#include "platform/PlatformServices.h"
#include "platform/SaveAsDialogService.h"
#include "platform/rtc/RtcClient.h"
#include "platform/ShellService.h"
#include "support/FakeDatagramSocket.h"
#include "support/PrintQString.h"
#include "support/RecordingNotifications.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

// Failure messages show texts, Japanese included, instead of their bytes.
// Everything a transfer window shows itself through, recorded: message boxes (answered
// with their default button, or by `OnBox`), beeps, save-as dialogs (answered from
// `SaveAnswers`, cancelled when there is none), "open", and each state a window shows.
class TransferWorld : public IMessageBoxService,
                      public IBeepService,
                      public ISaveAsDialogService,
                      public IShellService
{
public:
    TransferWorld();

    // The world as the services a component is made with; its windows get `Views`.
    PlatformServices Services();

    MessageBoxAnswer Show(QObject* owner, const MessageBoxRequest& request) override;
    void Beep(int frequency, int durationMs) override;
    std::optional<QString> AskSavePath(const SaveAsRequest& request) override;
    void Open(const QString& target) override;

    // "caption|text" of every box so far.
    QStringList Boxes() const;

    std::vector<MessageBoxRequest> boxes;
    std::function<void(const MessageBoxRequest&)> OnBox; // runs inside the box, once
    std::vector<std::pair<int, int>> beeps;
    std::deque<QString> SaveAnswers;       // an empty text cancels
    std::function<void()> WhileSaveAsOpen; // runs inside the next save-as dialog, once
    std::vector<SaveAsRequest> saveAsked;
    QStringList opened;
    HeadlessTransferViews views;
    CancellingOpenFileDialogs openFiles;
    rtc::NoCallClients calls;
    RecordingNotifications notifications;
    ITransferViewFactory* Views = &views;
    std::vector<FileSendState> sendStates;
    std::vector<FileReceiveState> receiveStates;
};

// One copy of the component with a fake UDP socket, entered, on chat port `port`, so it
// listens for transfers on port + 1; it shows itself through `services`.
class TransferPeer
{
public:
    TransferPeer(const PlatformServices& services, int port,
                 TransferSettings settings = {false, false},
                 const QString& alias = QStringLiteral("自分"));

    // Makes `address` a member: its entry, then (when given) its application information.
    void AddMember(const QByteArray& address, const QString& alias, const char* appInfo);
    void Receive(const QByteArray& from, const QByteArray& datagram);
    void ReceiveXml(const QByteArray& from, const QByteArray& text, uint32_t packetNo = 700);
    // The receipt of our last XML command, which frees the channel for the next one.
    void ReceiveXmlReceipt(const QByteArray& from);
    // A window message as a worker or a socket would post it, handled at once, with the
    // release that it may ask the component for.
    void Deliver(QObject* window, std::unique_ptr<WindowMessage> message);
    void Deliver(QObject* window, int message, std::intptr_t wParam = 0, std::intptr_t lParam = 0);
    // Runs what is queued for the component window (the windows' release messages).
    void RunComponentQueue();

    // The sent datagrams as "address 0xCMD text", Japanese decoded. Peers here are
    // heard from (and answered at) this copy's own chat port.
    QStringList SentLines() const;
    int32_t Offer(const QString& address, const QString& path, const QString& comment,
                  HRESULT* result = nullptr);

    FileTransferManager& Transfers() { return component.Transfers(); }
    FileSendWindow* SendWindow() { return Transfers().SendWindow(); }
    FileReceiveWindow* ReceiveWindow() { return Transfers().ReceiveWindow(); }

    int port;
    std::vector<SentDatagram> sent;
    PalavoIF component;
};

// Moves every datagram each peer has sent to the other, as if both were at 127.0.0.1,
// until neither has anything more to say.
void Exchange(TransferPeer& a, TransferPeer& b);

// A chat port whose transfer port (+1) was free a moment ago.
int FreeChatPort();
// A file of `size` bytes that are not all alike.
QByteArray PatternBytes(qsizetype size, int seed = 7);
bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// A named pipe (mkfifo) at `path`. Whoever is still stuck opening it for reading after
// `rescueMs` is let go: the pipe is then opened from this side too, and Blocked() tells
// the test that the product was held. Without that a faulty build would hang the test.
class NamedPipe
{
public:
    explicit NamedPipe(const QString& path, int rescueMs = 3000);
    ~NamedPipe();
    NamedPipe(const NamedPipe&) = delete;
    NamedPipe& operator=(const NamedPipe&) = delete;

    // False (errno kept in Error()) when this file system cannot hold a pipe.
    bool Made() const { return m_made; }
    int Error() const { return m_error; }
    // Ends the wait: from now on nobody is let go.
    void Done();
    bool Blocked() const { return m_blocked; }

private:
    QByteArray m_path;
    bool m_made = false;
    int m_error = 0;
    std::atomic<bool> m_blocked{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    int m_fd = -1;
    std::thread m_rescuer;
};

// A plain TCP socket for playing a stranger or a misbehaving peer.
class RawSocket
{
public:
    RawSocket() = default;
    ~RawSocket();
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;

    // Connects from `source` (an address of the loopback range) to 127.0.0.1:`port`.
    bool Connect(const char* source, int port);
    // Listens on 127.0.0.1 at a free port; returns the port, or 0.
    int Listen();
    bool Accept(int timeoutMs = 5000);
    bool SendAll(const QByteArray& bytes);
    // Whatever has arrived, without waiting.
    QByteArray ReadAvailable();
    // True when the peer closes the connection within the time.
    bool ClosedByPeer(int timeoutMs = 5000);
    // Closes the connection with a reset instead of an orderly end.
    void Reset();

private:
    int m_fd = -1;
    int m_listenFd = -1;
};
