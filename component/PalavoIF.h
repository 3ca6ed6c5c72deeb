#pragma once

#include "component/IPalavoIF.h"
#include "component/IPalavoIFEventSource.h"
#include "component/IPalavoIFEvents.h"
#include "component/IStopTransfers.h"
#include "component/TransferSettings.h"
#include "engine/ProtocolEngine.h"
#include "platform/MessageBoxService.h"
#include "platform/PlatformServices.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

// What a container may be asked about the stock properties: permission to change
// one, and the notice that it changed (so it can persist and redraw).
class FileTransferManager;

class IComponentSite
{
public:
    virtual ~IComponentSite() = default;
    virtual bool OnRequestEdit(int32_t dispid) = 0;
    virtual void OnChanged(int32_t dispid) = 0;
};

// The network component: the object through which the chat client drives the
// protocol engine and hears from it. It is the engine's window: socket notifications,
// queued packets and timers all arrive on its thread, one at a time.
class PalavoIF : public QObject,
                 public IPalavoIF,
                 public IPalavoIFEventSource,
                 public IStopTransfers,
                 private IEngineEvents
{
    Q_OBJECT

public:
    // What tests and special hosts may replace. Left empty, each takes the product's
    // default: a real UDP socket, the product's timings, the debug flag and the transfer
    // mode from the settings file, and the settings directory of the process.
    struct Options {
        ProtocolEngine::SocketFactory MakeSocket;
        EngineTiming Timing;
        std::optional<bool> DebugFlag;
        std::optional<TransferSettings> Transfer;
        QString SettingsDir;
    };

    // The component shows its boxes and transfer windows through `services`, which the
    // program keeps alive for as long as the component.
    explicit PalavoIF(const PlatformServices& services, QObject* parent = nullptr);
    PalavoIF(const PlatformServices& services, Options options, QObject* parent = nullptr);
    ~PalavoIF() override;

    int Advise(IPalavoIFEvents* sink) override;
    bool Unadvise(int cookie) override;

    void SetSite(IComponentSite* site) { m_site = site; }
    bool DebugFlag() const { return m_debugFlag; }
    const ProtocolEngine& Engine() const { return *m_engine; }
    // The transfer windows, for hosts that drive them without a display.
    FileTransferManager& Transfers() { return *m_transfers; }
    void StopAllTransfers() override;

    // Live component objects in this process (for DllCanUnloadNow).
    static int InstanceCount();

    HRESULT put_BackColor(OLE_COLOR color) override;
    HRESULT get_BackColor(OLE_COLOR* color) override;
    HRESULT put_BackStyle(int32_t style) override;
    HRESULT get_BackStyle(int32_t* style) override;
    HRESULT get_MyUserName(QString* value) override;
    HRESULT put_MyUserName(const QString& value) override;
    HRESULT get_MyAliase(QString* value) override;
    HRESULT put_MyAliase(const QString& value) override;
    HRESULT get_MyHostName(QString* value) override;
    HRESULT put_MyHostName(const QString& value) override;
    HRESULT get_ApplicationName(QString* value) override;
    HRESULT put_ApplicationName(const QString& value) override;
    HRESULT get_ApplicationVersion(QString* value) override;
    HRESULT put_ApplicationVersion(const QString& value) override;
    HRESULT get_Groups(QString* value) override;
    HRESULT put_Groups(const QString& value) override;
    HRESULT get_PortNo(int32_t* value) override;
    HRESULT put_PortNo(int32_t value) override;
    HRESULT get_BroadCastIPAddresses(QString* value) override;
    HRESULT put_BroadCastIPAddresses(const QString& value) override;
    HRESULT SendPrivateMessage(const QString& IPAddress, int32_t NeedAck,
                               const QString& Message) override;
    HRESULT SendGroupMessage(const QString& IPAddress, int32_t NeedAck, const QString& Message,
                             const QString& GroupName) override;
    HRESULT Entry(int32_t Exist, const QString& Location) override;
    HRESULT UpdatePresense(int32_t Exist, const QString& Location,
                           const QString& AbsentResponse) override;
    HRESULT ReEntry() override;
    HRESULT GetAppInfo(const QString& IPAddress, QString* AppName) override;
    HRESULT Drop() override;
    HRESULT SendXmlMessage(const QString& IPAddress, const QString& Message) override;
    HRESULT FileTransfer(const QString& IPAddress, const QString& FileName, const QString& Comment,
                         int32_t* RetCode) override;
    HRESULT get_MailAddress(QString* value) override;
    HRESULT put_MailAddress(const QString& value) override;
    HRESULT GetMailInfo(const QString& IPAddress, QString* MailAddress) override;
    HRESULT CastGroupMessage(const QString& Message, const QString& GroupName) override;
    HRESULT RequestVoIP(const QString& destIPAddress, int32_t myPortNo, VARIANT_BOOL video,
                        VARIANT_BOOL capT120, int32_t* RetCode) override;
    HRESULT RejectVoIP(const QString& destIPAddress) override;
    HRESULT RejectFileTransfer(const QString& IPAddress) override;
    HRESULT StopRequestVoIP(const QString& destIPAddress) override;
    HRESULT UseHostlist(VARIANT_BOOL bUse) override;

protected:
    bool event(QEvent* event) override;

private:
    // Engine events, turned into the component's events.
    void OnMemberAdded(const MemberRecord& member) override;
    void OnPresenseNotified(const QByteArray& address, int32_t exist,
                            const QByteArray& location) override;
    void OnMemberDeleted(const QByteArray& address) override;
    void OnMessageReceived(const QByteArray& address, int32_t port, const QByteArray& groupName,
                           const QByteArray& message, bool isSecret) override;
    void OnGroupMessageReceived(const QByteArray& address, int32_t port,
                                const QByteArray& groupName, const QByteArray& message) override;
    void OnAutoResponsed(const QByteArray& address, const QByteArray& message) override;
    void OnXmlCommand(const QByteArray& command, const MemberRecord& sender,
                      const XmlElementList& elements) override;
    void OnSendWhileBusy() override;
    void OnReceiptTimedOut() override;

    // Shows the engine's notice at once, or, while a datagram is being handled, once the
    // batch it came in is through: a modal box there would run the event loop in the
    // middle of the batch. A notice of a kind already waiting or on screen is dropped.
    void ShowNotice(MessageBoxRequest box);
    void ShowPendingNotices();
    bool NoticeOut(const MessageBoxRequest& box) const;
    void ShowNow(const MessageBoxRequest& box);
    void SendHeldRefusal();

    // Calls `raise` on every advised sink; a sink may unadvise itself meanwhile.
    template <typename Raise> void Fire(Raise raise);

    HRESULT PutStock(int32_t dispid, auto& field, auto value);

    PlatformServices m_services;
    std::unique_ptr<ProtocolEngine> m_engine;
    std::unique_ptr<FileTransferManager> m_transfers;
    bool m_debugFlag = false;
    IComponentSite* m_site = nullptr;

    OLE_COLOR m_backColor = 0;
    int32_t m_backStyle = 0;
    // The properties as the client set them; the engine holds their code page 932 form.
    QString m_myUserName;
    QString m_myAliase;
    QString m_myHostName;
    QString m_applicationName;
    QString m_applicationVersion;
    QString m_groups;
    QString m_broadCastIPAddresses;
    QString m_mailAddress;

    std::vector<std::pair<int, IPalavoIFEvents*>> m_sinks;
    int m_nextCookie = 1;

    int m_handlingDepth = 0; // > 0 while the engine handles a window message
    // At most one notice of each kind (text and caption) is waiting or on screen, so
    // neither list holds more than the engine has kinds of notice.
    std::deque<MessageBoxRequest> m_pendingNotices;
    std::vector<MessageBoxRequest> m_noticesShowing;
    bool m_noticesPosted = false;

    // A call refusal that found the channel waiting: the member it goes to once the wait
    // is over (one at a time, the latest).
    QByteArray m_heldRefusal;
    QTimer m_refusalTimer;
};

class ClassRegistry;

// The library's self-registration: the class and its ProgIDs "PalavoIF.PalavoIF.1"
// and "PalavoIF.PalavoIF" in the program's class registry. Every component the
// registry makes shows itself through `services`, which must outlive those components.
namespace PalavoIFModule
{
HRESULT DllRegisterServer(ClassRegistry& registry, const PlatformServices& services);
HRESULT DllUnregisterServer(ClassRegistry& registry);
// S_OK when no component object is alive, else S_FALSE.
HRESULT DllCanUnloadNow();
} // namespace PalavoIFModule
