#include "TransferHarness.h"

#include "component/ErrorInfo.h"
#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "engine/SocketEvent.h"
#include "platform/Cp932.h"

#include <QCoreApplication>
#include <QFile>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ostream>

#include <gtest/gtest.h>

// --- TransferWorld ------------------------------------------------------------------

TransferWorld::TransferWorld()
{
    views.OnSendState = [this](const FileSendState& s) { sendStates.push_back(s); };
    views.OnReceiveState = [this](const FileReceiveState& s) { receiveStates.push_back(s); };
    TakeErrorInfo();
}

PlatformServices TransferWorld::Services()
{
    return {*this, *this, *this, *this, *Views, openFiles, calls, notifications};
}

MessageBoxAnswer TransferWorld::Show(QObject*, const MessageBoxRequest& request)
{
    boxes.push_back(request);
    if (OnBox)
        std::exchange(OnBox, nullptr)(request);
    return DefaultAnswer(request.Buttons);
}

void TransferWorld::Beep(int frequency, int durationMs)
{
    beeps.emplace_back(frequency, durationMs);
}

std::optional<QString> TransferWorld::AskSavePath(const SaveAsRequest& request)
{
    saveAsked.push_back(request);
    if (WhileSaveAsOpen)
        std::exchange(WhileSaveAsOpen, nullptr)();
    if (SaveAnswers.empty() || SaveAnswers.front().isEmpty()) {
        if (!SaveAnswers.empty())
            SaveAnswers.pop_front();
        return std::nullopt;
    }
    const QString answer = SaveAnswers.front();
    SaveAnswers.pop_front();
    return answer;
}

void TransferWorld::Open(const QString& target)
{
    opened << target;
}

QStringList TransferWorld::Boxes() const
{
    QStringList texts;
    for (const MessageBoxRequest& box : boxes)
        texts << box.Caption + QLatin1Char('|') + box.Text;
    return texts;
}

// --- TransferPeer -------------------------------------------------------------------

namespace
{
PalavoIF::Options PeerOptions(std::vector<SentDatagram>& sent, TransferSettings settings)
{
    PalavoIF::Options options;
    options.MakeSocket = [&sent](QObject*) { return std::make_unique<FakeDatagramSocket>(sent); };
    options.Timing.DropWaitMs = 0;
    options.DebugFlag = false;
    options.Transfer = settings;
    return options;
}
} // namespace

TransferPeer::TransferPeer(const PlatformServices& services, int chatPort,
                           TransferSettings settings, const QString& alias)
    : port(chatPort), component(services, PeerOptions(sent, settings))
{
    component.put_PortNo(port);
    component.put_MyAliase(alias);
    component.put_ApplicationName(QStringLiteral("Palavo XP"));
    EXPECT_EQ(component.Entry(1, {}), S_OK);
    sent.clear();
}

void TransferPeer::Receive(const QByteArray& from, const QByteArray& datagram)
{
    QCoreApplication::postEvent(
        &component,
        new SocketMessage(WM_UDP_NOTIFY, SocketEvent{SocketEvent::DataReceived, from, port},
                          datagram));
    QCoreApplication::sendPostedEvents(&component); // the notification
    QCoreApplication::sendPostedEvents(&component); // the queued packet
}

void TransferPeer::AddMember(const QByteArray& address, const QString& alias, const char* appInfo)
{
    Receive(address, BuildPacket({500, "user", "host"}, CMD_ENTRY, Cp932::FromUnicode(alias)));
    if (appInfo != nullptr)
        Receive(address, BuildPacket({501, "user", "host"}, CMD_SEND_INFO, appInfo));
    sent.clear();
}

void TransferPeer::ReceiveXml(const QByteArray& from, const QByteArray& text, uint32_t packetNo)
{
    Receive(from, BuildPacket({packetNo, "user", "host"}, CMD_XML_MESSAGE | OPT_SEND_CHECK, text));
}

void TransferPeer::ReceiveXmlReceipt(const QByteArray& from)
{
    Receive(from, BuildPacket({900, "user", "host"}, CMD_XML_RECEIPT, "1"));
}

void TransferPeer::Deliver(QObject* window, std::unique_ptr<WindowMessage> message)
{
    PostWindowMessage(window, std::move(message));
    QCoreApplication::sendPostedEvents(window);
    RunComponentQueue();
}

void TransferPeer::Deliver(QObject* window, int message, std::intptr_t wParam, std::intptr_t lParam)
{
    Deliver(window, std::make_unique<WindowMessage>(message, wParam, lParam));
}

void TransferPeer::RunComponentQueue()
{
    QCoreApplication::sendPostedEvents(&component);
}

QStringList TransferPeer::SentLines() const
{
    QStringList lines;
    for (const SentDatagram& datagram : sent) {
        const ReceivedPacket packet = ParsePacket(datagram.Bytes, SocketEvent{});
        lines << QStringLiteral("%1 0x%2 %3")
                     .arg(QString::fromLatin1(datagram.Host))
                     .arg(packet.Command | packet.Options, 0, 16)
                     .arg(Cp932::ToUnicode(packet.Extra));
    }
    return lines;
}

int32_t TransferPeer::Offer(const QString& address, const QString& path, const QString& comment,
                            HRESULT* result)
{
    int32_t retCode = 99;
    const HRESULT hr = component.FileTransfer(address, path, comment, &retCode);
    if (result != nullptr)
        *result = hr;
    else
        EXPECT_EQ(hr, S_OK) << TakeErrorInfo().Description.toStdString();
    return retCode;
}

void Exchange(TransferPeer& a, TransferPeer& b)
{
    for (int round = 0; round < 10 && !(a.sent.empty() && b.sent.empty()); ++round) {
        for (auto [from, to] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
            const std::vector<SentDatagram> datagrams = std::exchange(from->sent, {});
            for (const SentDatagram& datagram : datagrams)
                to->Receive("127.0.0.1", datagram.Bytes);
        }
    }
}

// --- Files and sockets --------------------------------------------------------------

int FreeChatPort()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        socklen_t size = sizeof local;
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size);
        close(fd);
        const int transferPort = ntohs(local.sin_port);
        if (transferPort > 1024)
            return transferPort - 1;
    }
    return 40000;
}

QByteArray PatternBytes(qsizetype size, int seed)
{
    QByteArray bytes(size, '\0');
    uint32_t state = static_cast<uint32_t>(seed) * 2654435761u + 1;
    for (qsizetype i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(state >> 24);
    }
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

NamedPipe::NamedPipe(const QString& path, int rescueMs) : m_path(QFile::encodeName(path))
{
    m_made = mkfifo(m_path.constData(), 0600) == 0;
    m_error = m_made ? 0 : errno;
    if (!m_made)
        return;
    m_rescuer = std::thread([this, rescueMs] {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::milliseconds(rescueMs), [this] { return m_done; }))
            return;
        // A reader may be waiting in open(): a writer (read and write, so this side never
        // waits itself) lets it go on. Kept open until the end, so the reader sees no end
        // of file before then.
        m_fd = open(m_path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        m_blocked = true;
    });
}

NamedPipe::~NamedPipe()
{
    Done();
    if (m_fd >= 0)
        close(m_fd);
}

void NamedPipe::Done()
{
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_wake.notify_all();
    if (m_rescuer.joinable())
        m_rescuer.join();
}

RawSocket::~RawSocket()
{
    if (m_fd >= 0)
        close(m_fd);
    if (m_listenFd >= 0)
        close(m_listenFd);
}

bool RawSocket::Connect(const char* source, int port)
{
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source, &local.sin_addr);
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return false;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
    return ::connect(m_fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0;
}

int RawSocket::Listen()
{
    m_listenFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.1", &local.sin_addr);
    socklen_t size = sizeof local;
    if (bind(m_listenFd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        listen(m_listenFd, 5) != 0 ||
        getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&local), &size) != 0)
        return 0;
    return ntohs(local.sin_port);
}

bool RawSocket::Accept(int timeoutMs)
{
    pollfd entry{m_listenFd, POLLIN, 0};
    if (poll(&entry, 1, timeoutMs) != 1)
        return false;
    m_fd = accept(m_listenFd, nullptr, nullptr);
    return m_fd >= 0;
}

bool RawSocket::SendAll(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(m_fd, bytes.constData() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray RawSocket::ReadAvailable()
{
    QByteArray all;
    char buffer[65536];
    for (;;) {
        const ssize_t n = recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0)
            return all;
        all.append(buffer, n);
    }
}

bool RawSocket::ClosedByPeer(int timeoutMs)
{
    pollfd entry{m_fd, POLLIN, 0};
    if (poll(&entry, 1, timeoutMs) != 1)
        return false;
    char byte;
    return recv(m_fd, &byte, 1, MSG_PEEK) <= 0;
}

void RawSocket::Reset()
{
    const linger abort{1, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close(m_fd);
    m_fd = -1;
}
