#pragma once

#include "engine/Commands.h"
#include "engine/DatagramSocket.h"
#include "engine/MemberTable.h"
#include "engine/PacketCodec.h"
#include "engine/ReceivedPacket.h"
#include "engine/ReplyLimiter.h"
#include "engine/XmlElementList.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QObject;

// The user's own side of the protocol, as the component has been told it. Texts are
// code page 932 bytes, converted once when the component's properties are set.
struct OwnSettings {
    QByteArray MyAliase;
    QByteArray MyUserName;
    QByteArray MyHostName;
    QByteArray ApplicationName;
    QByteArray ApplicationVersion;
    QByteArray Groups;               // comma-separated
    QByteArray BroadCastIPAddresses; // comma-separated extra destinations of broadcasts
    QByteArray MailAddress;
    int32_t PortNo = 0;
    int32_t UseHostlist = 0; // non-zero: announce one group and take host lists

    // Presence, set only by Entry (present) and UpdatePresense.
    int32_t Exist = 0;
    QByteArray Location;
    QByteArray AbsentResponse;
};

// What the engine tells its owner. Texts are code page 932 bytes; the component turns
// them into its events.
class IEngineEvents
{
public:
    virtual ~IEngineEvents() = default;

    virtual void OnMemberAdded(const MemberRecord& member) = 0;
    virtual void OnPresenseNotified(const QByteArray& address, int32_t exist,
                                    const QByteArray& location) = 0;
    virtual void OnMemberDeleted(const QByteArray& address) = 0;
    virtual void OnMessageReceived(const QByteArray& address, int32_t port,
                                   const QByteArray& groupName, const QByteArray& message,
                                   bool isSecret) = 0;
    virtual void OnGroupMessageReceived(const QByteArray& address, int32_t port,
                                        const QByteArray& groupName, const QByteArray& message) = 0;
    virtual void OnAutoResponsed(const QByteArray& address, const QByteArray& message) = 0;

    // An XML command from a member, split into its elements, with its Command value
    // already recognised: one of "FileTransfer", "RequestVoIP", "RejectVoIP",
    // "StopReqVoIP", "StopFileTrans", "RejectFileTrans" as the names are spelt here.
    virtual void OnXmlCommand(const QByteArray& command, const MemberRecord& sender,
                              const XmlElementList& elements) = 0;

    // A message or XML command was refused because the last one still waits for its
    // receipt. The owner tells the user; the engine shows nothing itself.
    virtual void OnSendWhileBusy() = 0;
    // A private message's receipt did not come in time. The engine is idle again when
    // this is raised, so a send from here goes out.
    virtual void OnReceiptTimedOut() = 0;
};

// How long the engine waits. The defaults are the product's; tests shorten them.
struct EngineTiming {
    int ReceiptTimeoutMs = 3000; // a private message without a receipt
    int XmlResendMs = 2000;      // an XML command without a receipt is sent once more
    int DropWaitMs = 1000;       // between the exit broadcast and closing the socket
};

// The network protocol engine: the member table and the entry, exit and presence
// exchange, private, group and cast messages with receipts and absence replies, and the
// XML command channel. It runs on the thread of the component window it is given: the
// socket posts its datagrams there, the dispatcher queues each parsed packet there,
// and the component hands every such message back to Handle().
class ProtocolEngine
{
public:
    // Makes an unopened socket whose datagrams will be posted to `owner`.
    using SocketFactory = std::function<std::unique_ptr<IDatagramSocket>(QObject* owner)>;

    // `replies`: how many automatic replies one source address may have (ReplyLimiter).
    ProtocolEngine(QObject* componentWindow, IEngineEvents& events, SocketFactory makeSocket,
                   EngineTiming timing = {}, ReplyBudget replies = {});
    ~ProtocolEngine();

    OwnSettings& Own() { return m_own; }
    const OwnSettings& Own() const { return m_own; }
    const MemberTable& Members() const { return m_members; }
    bool IsEntered() const { return m_socket != nullptr; }
    bool SendBusy() const { return m_sendBusy != 0; }
    int32_t PacketCounterValue() const { return m_counter.Value(); }
    IDatagramSocket* Socket() { return m_socket.get(); }

    // Handles a window message of the component window; false when it is not ours.
    bool Handle(QEvent* event);

    // Members and presence.
    struct EntryResult {
        bool Ok = true;
        bool SocketFailed = false; // else the entry broadcast failed
        int Error = 0;             // the socket's last error number
    };
    EntryResult Entry(const QByteArray& computerName, const QByteArray& logonName);
    void ReEntry();
    void UpdatePresense(int32_t exist, const QByteArray& location,
                        const QByteArray& absentResponse);
    void Drop();

    // Messages. Unknown destinations, a closed socket and a busy engine send nothing.
    void SendPrivateMessage(const QByteArray& address, const QByteArray& message);
    void SendGroupMessage(const QByteArray& address, const QByteArray& message,
                          const QByteArray& groupName);
    void CastGroupMessage(const QByteArray& message, const QByteArray& groupName);
    void SendXmlMessage(const QByteArray& address, const QByteArray& message);

private:
    // Sending.
    PacketHeader Header();
    QByteArray Build(int32_t command, QByteArrayView extra,
                     std::optional<QByteArrayView> groupPart = std::nullopt);
    QByteArray OwnGroupPart() const;
    // Our entry-family extra: the alias, or "alias[location]" while absent.
    QByteArray PresenceExtra() const;
    int32_t AbsenceOption() const { return m_own.Exist ? 0 : OPT_ABSENCE; }
    int SendTo(QByteArrayView address, int port, QByteArrayView bytes);
    // SendTo for an answer the engine gives of its own accord, within the address's
    // budget of replies. False, with nothing sent, once that is spent.
    bool Reply(const QByteArray& address, int port, QByteArrayView bytes);
    // 255.255.255.255, then every extra broadcast address. Returns the first send's result.
    int BroadcastAll(QByteArrayView bytes);

    // Members and presence (MemberHandlers.cpp).
    void OnEntry(const ReceivedPacket& packet);
    void OnExit(const ReceivedPacket& packet);
    void OnPresence(const ReceivedPacket& packet);
    void OnGetInfo(const ReceivedPacket& packet);
    void OnSendInfo(const ReceivedPacket& packet);
    void OnGetMail(const ReceivedPacket& packet);
    void OnSendMail(const ReceivedPacket& packet);
    void OnGetAbsenceInfo(const ReceivedPacket& packet);
    void OnHostList(const ReceivedPacket& packet);
    // The Exchange Servers this copy asks: the extra broadcast addresses its entry goes
    // to directly, taken when it enters. Host lists are taken from these only.
    void RememberHostListServers();

    // Messages (MessageHandlers.cpp).
    // Message and XML texts reach their handlers cut to this many bytes.
    static constexpr qsizetype TextLimit = 8191;
    static QByteArray HandedOnText(const QByteArray& extra);
    void OnMessage(const ReceivedPacket& packet);
    void OnReceipt(const ReceivedPacket& packet);
    void OnCastMessage(const ReceivedPacket& packet);
    void OnReceiptTimeout();

    // XML commands (XmlChannel.cpp).
    void OnXmlMessage(const ReceivedPacket& packet);
    void OnXmlReceipt(const ReceivedPacket& packet);
    void OnXmlResendTimeout();

    QObject* m_window;
    IEngineEvents& m_events;
    SocketFactory m_makeSocket;
    EngineTiming m_timing;

    OwnSettings m_own;
    MemberTable m_members;
    PacketCounter m_counter;
    std::unique_ptr<IDatagramSocket> m_socket;
    int32_t m_sendBusy = 0;
    // A private message's receipt is awaited until m_receiptDue. The timer is armed once
    // and left running when the receipt comes: re-arming it for every message (a timer
    // list update each way) was a good part of a message's round trip. When it fires
    // for an earlier message, it is armed again for the rest of the current one's wait.
    bool m_receiptAwaited = false;
    QDeadlineTimer m_receiptDue;
    QTimer m_receiptTimer;
    QTimer m_xmlResendTimer;
    ReplyLimiter m_replies;
    QElapsedTimer m_clock;                     // the replies' budgets refill by it
    std::vector<QByteArray> m_hostListServers; // dotted

    // The last XML command sent, kept whole for its one resend.
    struct PendingXml {
        QByteArray Packet;
        QByteArray Address;
        int32_t Port = 0;
    } m_pendingXml;
};
