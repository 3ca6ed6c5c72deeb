#include "PalavoIF.h"

#include "component/CallSignalling.h"
#include "component/ComponentConfig.h"
#include "component/ComponentLog.h"
#include "component/ErrorInfo.h"
#include "component/FileTransferManager.h"
#include "engine/UdpSocketWindow.h"
#include "platform/ClassRegistry.h"
#include "platform/Cp932.h"
#include "platform/HostInfo.h"
#include "platform/WindowMessage.h"

#include <QDir>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <utility>

namespace
{

std::atomic<int> g_instances{0};

const QString ComponentSource = QStringLiteral("PalavoIF");

// Posted to the component itself: show the notices held back during a datagram batch.
constexpr int WM_SHOW_NOTICES = WM_USER + 410;

QByteArray Wire(const QString& text)
{
    return Cp932::FromUnicode(text);
}

QString Text(QByteArrayView bytes)
{
    return Cp932::ToUnicode(bytes);
}

VARIANT_BOOL Flag(bool value)
{
    return value ? 1 : 0;
}

// The operating system's names as Entry takes them: at most 255 characters, and
// "no_name" when the name cannot be read.
QByteArray SystemName(const QString& name)
{
    return name.isEmpty() ? QByteArray("no_name") : Wire(name.left(255));
}

} // namespace

PalavoIF::PalavoIF(const PlatformServices& services, QObject* parent)
    : PalavoIF(services, Options{}, parent)
{
}

PalavoIF::PalavoIF(const PlatformServices& services, Options options, QObject* parent)
    : QObject(parent), m_services(services)
{
    ++g_instances;
    const QString settingsDir =
        options.SettingsDir.isEmpty() ? HostInfo::SettingsDir() : options.SettingsDir;
    // Read once, here: a change to the file takes effect with the next component.
    m_debugFlag = options.DebugFlag.value_or(ReadDebugFlag(settingsDir));

    // Both waits of the channel are over by then.
    m_refusalTimer.setSingleShot(true);
    m_refusalTimer.setInterval(
        std::max(options.Timing.ReceiptTimeoutMs, options.Timing.XmlResendMs));
    connect(&m_refusalTimer, &QTimer::timeout, this, &PalavoIF::SendHeldRefusal);

    ProtocolEngine::SocketFactory makeSocket = std::move(options.MakeSocket);
    if (!makeSocket) {
        const QString logPath = QDir(settingsDir).filePath(QStringLiteral("Palavo_socket.log"));
        makeSocket = [logging = m_debugFlag, logPath](QObject* owner) {
            return std::make_unique<UdpSocketWindow>(owner, logging, logPath);
        };
    }
    m_engine = std::make_unique<ProtocolEngine>(this, static_cast<IEngineEvents&>(*this),
                                                std::move(makeSocket), options.Timing);
    TransferSettings transfer;
    if (options.Transfer)
        transfer = *options.Transfer;
    else
        transfer.FastTransfer = ReadFastTransferFlag(settingsDir); // read once, like "debug"
    m_transfers = std::make_unique<FileTransferManager>(this, *m_engine, transfer, m_services);
}

// Releases the engine and its socket; the exit broadcast is Drop's, which the client
// calls before it lets the component go.
PalavoIF::~PalavoIF()
{
    m_transfers.reset(); // the transfer windows wait for their workers here
    m_engine.reset();
    --g_instances;
}

int PalavoIF::InstanceCount()
{
    return g_instances.load();
}

int PalavoIF::Advise(IPalavoIFEvents* sink)
{
    if (sink == nullptr)
        return 0;
    m_sinks.emplace_back(m_nextCookie, sink);
    return m_nextCookie++;
}

bool PalavoIF::Unadvise(int cookie)
{
    const auto found = std::find_if(m_sinks.begin(), m_sinks.end(),
                                    [cookie](const auto& entry) { return entry.first == cookie; });
    if (found == m_sinks.end())
        return false;
    m_sinks.erase(found);
    return true;
}

template <typename Raise> void PalavoIF::Fire(Raise raise)
{
    const auto sinks = m_sinks;
    for (const auto& [cookie, sink] : sinks) {
        const bool stillAdvised = std::any_of(m_sinks.begin(), m_sinks.end(),
                                              [c = cookie](const auto& e) { return e.first == c; });
        if (stillAdvised)
            raise(*sink);
    }
}

bool PalavoIF::event(QEvent* event)
{
    if (event->type() == WindowMessageType(WM_SHOW_NOTICES)) {
        m_noticesPosted = false;
        ShowPendingNotices();
        return true;
    }
    // A sink may destroy the component while the engine hands it an event.
    const QPointer<PalavoIF> alive(this);
    ++m_handlingDepth;
    const bool handled = m_engine->Handle(event);
    if (alive.isNull())
        return true;
    --m_handlingDepth;
    // The batch may have ended inside a sink's own event loop, where the posted request
    // was turned away; ask again now that this datagram is through.
    if (m_handlingDepth == 0 && !m_pendingNotices.empty() && !m_noticesPosted) {
        m_noticesPosted = true;
        PostWindowMessage(this, WM_SHOW_NOTICES);
    }
    return handled || m_transfers->Handle(event) || QObject::event(event);
}

// --- Stock properties -----------------------------------------------------------

HRESULT PalavoIF::PutStock(int32_t dispid, auto& field, auto value)
{
    if (m_site != nullptr && !m_site->OnRequestEdit(dispid))
        return S_FALSE;
    field = value;
    if (m_site != nullptr)
        m_site->OnChanged(dispid);
    return S_OK;
}

HRESULT PalavoIF::put_BackColor(OLE_COLOR color)
{
    return PutStock(DISPID_BACKCOLOR, m_backColor, color);
}

HRESULT PalavoIF::get_BackColor(OLE_COLOR* color)
{
    if (color == nullptr)
        return E_POINTER;
    *color = m_backColor;
    return S_OK;
}

HRESULT PalavoIF::put_BackStyle(int32_t style)
{
    return PutStock(DISPID_BACKSTYLE, m_backStyle, style);
}

HRESULT PalavoIF::get_BackStyle(int32_t* style)
{
    if (style == nullptr)
        return E_POINTER;
    *style = m_backStyle;
    return S_OK;
}

// --- Plain properties -----------------------------------------------------------

namespace
{
HRESULT Get(const QString& field, QString* value)
{
    if (value == nullptr)
        return E_POINTER;
    *value = field;
    return S_OK;
}
} // namespace

HRESULT PalavoIF::get_MyUserName(QString* value)
{
    return Get(m_myUserName, value);
}
// Entry takes the login name from the system; a client cannot set it.
HRESULT PalavoIF::put_MyUserName(const QString&)
{
    return S_OK;
}

HRESULT PalavoIF::get_MyAliase(QString* value)
{
    return Get(m_myAliase, value);
}
HRESULT PalavoIF::put_MyAliase(const QString& value)
{
    m_myAliase = value;
    m_engine->Own().MyAliase = Wire(value);
    return S_OK;
}

HRESULT PalavoIF::get_MyHostName(QString* value)
{
    return Get(m_myHostName, value);
}
// Entry takes the computer name from the system; a client cannot set it.
HRESULT PalavoIF::put_MyHostName(const QString&)
{
    return S_OK;
}

HRESULT PalavoIF::get_ApplicationName(QString* value)
{
    return Get(m_applicationName, value);
}
HRESULT PalavoIF::put_ApplicationName(const QString& value)
{
    m_applicationName = value;
    m_engine->Own().ApplicationName = Wire(value);
    return S_OK;
}

HRESULT PalavoIF::get_ApplicationVersion(QString* value)
{
    return Get(m_applicationVersion, value);
}
HRESULT PalavoIF::put_ApplicationVersion(const QString& value)
{
    m_applicationVersion = value;
    m_engine->Own().ApplicationVersion = Wire(value);
    return S_OK;
}

// Clients have always received nothing here and keep the value they passed in; they
// hold their own list of groups.
HRESULT PalavoIF::get_Groups(QString*)
{
    return S_OK;
}
HRESULT PalavoIF::put_Groups(const QString& value)
{
    m_groups = value;
    m_engine->Own().Groups = Wire(value);
    return S_OK;
}

HRESULT PalavoIF::get_PortNo(int32_t* value)
{
    if (value == nullptr)
        return E_POINTER;
    *value = m_engine->Own().PortNo;
    return S_OK;
}
HRESULT PalavoIF::put_PortNo(int32_t value)
{
    m_engine->Own().PortNo = value;
    return S_OK;
}

HRESULT PalavoIF::get_BroadCastIPAddresses(QString* value)
{
    return Get(m_broadCastIPAddresses, value);
}
HRESULT PalavoIF::put_BroadCastIPAddresses(const QString& value)
{
    m_broadCastIPAddresses = value;
    m_engine->Own().BroadCastIPAddresses = Wire(value);
    return S_OK;
}

HRESULT PalavoIF::get_MailAddress(QString* value)
{
    return Get(m_mailAddress, value);
}
HRESULT PalavoIF::put_MailAddress(const QString& value)
{
    m_mailAddress = value;
    m_engine->Own().MailAddress = Wire(value);
    return S_OK;
}

// --- Members and presence -------------------------------------------------------

// Exist and Location are not used: entering always announces the user as present.
HRESULT PalavoIF::Entry(int32_t, const QString&)
{
    const QString hostName = HostInfo::ComputerName();
    const QString userName = HostInfo::LogonName();
    const ProtocolEngine::EntryResult result =
        m_engine->Entry(SystemName(hostName), SystemName(userName));
    if (result.SocketFailed)
        return ReportError(ComponentSource,
                           QStringLiteral("チャット用のポートを作れませんでした(Server PortNo=%1)\n"
                                          "ERROR = %2")
                               .arg(m_engine->Own().PortNo)
                               .arg(result.Error));
    m_myHostName = Text(m_engine->Own().MyHostName);
    m_myUserName = Text(m_engine->Own().MyUserName);
    if (!result.Ok)
        return ReportError(ComponentSource,
                           QStringLiteral("エントリのブロードキャストに失敗しました\nERROR = %1")
                               .arg(result.Error));
    return S_OK;
}

HRESULT PalavoIF::UpdatePresense(int32_t Exist, const QString& Location,
                                 const QString& AbsentResponse)
{
    m_engine->UpdatePresense(Exist, Wire(Location), Wire(AbsentResponse));
    return S_OK;
}

HRESULT PalavoIF::ReEntry()
{
    m_engine->ReEntry();
    return S_OK;
}

HRESULT PalavoIF::Drop()
{
    m_engine->Drop();
    return S_OK;
}

HRESULT PalavoIF::GetAppInfo(const QString& IPAddress, QString* AppName)
{
    if (AppName == nullptr)
        return E_POINTER;
    const MemberRecord* member = m_engine->Members().Find(IPAddress.toLatin1());
    *AppName = member != nullptr ? Text(member->AppInfo) : QString();
    return S_OK;
}

HRESULT PalavoIF::GetMailInfo(const QString& IPAddress, QString* MailAddress)
{
    if (MailAddress == nullptr)
        return E_POINTER;
    const MemberRecord* member = m_engine->Members().Find(IPAddress.toLatin1());
    *MailAddress = member != nullptr ? Text(member->MailAddress) : QString();
    return S_OK;
}

HRESULT PalavoIF::UseHostlist(VARIANT_BOOL bUse)
{
    m_engine->Own().UseHostlist = bUse; // the 16-bit value, widened
    return S_OK;
}

// --- Messages -------------------------------------------------------------------

namespace
{
const QString NoGroupName = QStringLiteral("グループ名が指定されていません");
}

// Every private message asks for a receipt, whatever NeedAck says.
HRESULT PalavoIF::SendPrivateMessage(const QString& IPAddress, int32_t, const QString& Message)
{
    m_engine->SendPrivateMessage(IPAddress.toLatin1(), Wire(Message));
    return S_OK;
}

HRESULT PalavoIF::SendGroupMessage(const QString& IPAddress, int32_t, const QString& Message,
                                   const QString& GroupName)
{
    if (GroupName.isEmpty())
        return ReportError(ComponentSource, NoGroupName);
    m_engine->SendGroupMessage(IPAddress.toLatin1(), Wire(Message), Wire(GroupName));
    return S_OK;
}

HRESULT PalavoIF::CastGroupMessage(const QString& Message, const QString& GroupName)
{
    if (GroupName.isEmpty())
        return ReportError(ComponentSource, NoGroupName);
    m_engine->CastGroupMessage(Wire(Message), Wire(GroupName));
    return S_OK;
}

HRESULT PalavoIF::SendXmlMessage(const QString& IPAddress, const QString& Message)
{
    m_engine->SendXmlMessage(IPAddress.toLatin1(), Wire(Message));
    return S_OK;
}

// --- File transfer --------------------------------------------------------------

// RetCode -1: not a member, or not a copy of this system. 0 otherwise, also when a box
// has already told the user why nothing was offered. The call fails only when the
// transfer port cannot be opened.
HRESULT PalavoIF::FileTransfer(const QString& IPAddress, const QString& FileName,
                               const QString& Comment, int32_t* RetCode)
{
    if (RetCode == nullptr)
        return E_POINTER;
    const FileTransferManager::OfferResult result =
        m_transfers->FileTransfer(IPAddress.toLatin1(), FileName, Comment);
    *RetCode = result.RetCode;
    if (!result.Error.isEmpty())
        return ReportError(ComponentSource, result.Error);
    return S_OK;
}

void PalavoIF::StopAllTransfers()
{
    m_transfers->StopAll();
}

// The refusal of an offered file is sent by the receive window itself.
HRESULT PalavoIF::RejectFileTransfer(const QString&)
{
    return S_OK;
}

// --- Call signalling ------------------------------------------------------------

HRESULT PalavoIF::RequestVoIP(const QString& destIPAddress, int32_t myPortNo, VARIANT_BOOL video,
                              VARIANT_BOOL capT120, int32_t* RetCode)
{
    if (RetCode == nullptr)
        return E_POINTER;
    const MemberRecord* member = m_engine->Members().Find(destIPAddress.toLatin1());
    // Only another copy of this system understands the request.
    if (member == nullptr || !member->IsProductPeer()) {
        *RetCode = -1;
        return S_OK;
    }
    // A refusal still held for this member would arrive after the request and end it.
    if (m_heldRefusal == member->IPAddress)
        m_heldRefusal.clear();
    m_engine->SendXmlMessage(member->IPAddress,
                             CallSignalling::RequestText(myPortNo, video != 0, capT120 != 0));
    *RetCode = 0;
    return S_OK;
}

// The member is looked up before the channel is asked: toward an address that is not
// a member nothing goes out, so a command waiting for its receipt is no reason for the
// busy box either.
// A refusal that finds the channel waiting shows no box: most refusals are the call
// manager's own answers (busy, no voice chat), made as often as a peer asks, and a member
// that never acknowledges would put a box on the desktop for each of its requests; nor
// can the box's advice, to press the button again, be followed for a refusal, whose
// window has gone. The refusal is held instead and goes out once the wait is over (the
// latest one, if the channel is free then), so that the caller's window hears of it.
HRESULT PalavoIF::RejectVoIP(const QString& destIPAddress)
{
    const MemberRecord* member = m_engine->Members().Find(destIPAddress.toLatin1());
    if (member == nullptr)
        return S_OK;
    if (m_engine->IsEntered() && m_engine->SendBusy()) {
        qCDebug(lcComponent) << "refusal to" << destIPAddress << "held: a command waits";
        m_heldRefusal = member->IPAddress;
        if (!m_refusalTimer.isActive()) // a stream of requests must not put it off for ever
            m_refusalTimer.start();
        return S_OK;
    }
    m_engine->SendXmlMessage(member->IPAddress, CallSignalling::RejectText());
    return S_OK;
}

void PalavoIF::SendHeldRefusal()
{
    const QByteArray address = std::exchange(m_heldRefusal, {});
    // A new command waits again: the refusal goes, unsent, as it would have at once.
    if (address.isEmpty() || !m_engine->IsEntered() || m_engine->SendBusy())
        return;
    if (m_engine->Members().Find(address) != nullptr)
        m_engine->SendXmlMessage(address, CallSignalling::RejectText());
}

HRESULT PalavoIF::StopRequestVoIP(const QString& destIPAddress)
{
    const MemberRecord* member = m_engine->Members().Find(destIPAddress.toLatin1());
    if (member != nullptr)
        m_engine->SendXmlMessage(member->IPAddress, CallSignalling::StopRequestText());
    return S_OK;
}

// --- Events ---------------------------------------------------------------------

void PalavoIF::OnMemberAdded(const MemberRecord& m)
{
    const QString address = Text(m.IPAddress);
    const QString location = Text(m.Location);
    const QString alias = Text(m.Aliase);
    const QString host = Text(m.HostName);
    const QString user = Text(m.UserName);
    const QString groups = Text(m.GroupNames);
    Fire([&](IPalavoIFEvents& sink) {
        sink.MemberAdded(address, m.PortNo, Flag(m.Exist != 0), location, alias, host, user,
                         groups);
    });
}

void PalavoIF::OnPresenseNotified(const QByteArray& address, int32_t exist,
                                  const QByteArray& location)
{
    const QString ip = Text(address);
    const QString where = Text(location);
    Fire([&](IPalavoIFEvents& sink) { sink.PresenseNotified(ip, Flag(exist != 0), where); });
}

void PalavoIF::OnMemberDeleted(const QByteArray& address)
{
    const QString ip = Text(address);
    Fire([&](IPalavoIFEvents& sink) { sink.MemberDeleted(ip); });
}

void PalavoIF::OnMessageReceived(const QByteArray& address, int32_t port,
                                 const QByteArray& groupName, const QByteArray& message,
                                 bool isSecret)
{
    const QString ip = Text(address);
    const QString group = Text(groupName);
    const QString text = Text(message);
    Fire([&](IPalavoIFEvents& sink) {
        sink.MessageReceived(ip, port, group, text, Flag(isSecret));
    });
}

void PalavoIF::OnGroupMessageReceived(const QByteArray& address, int32_t port,
                                      const QByteArray& groupName, const QByteArray& message)
{
    const QString ip = Text(address);
    const QString group = Text(groupName);
    const QString text = Text(message);
    Fire([&](IPalavoIFEvents& sink) { sink.GroupMessageReceived(ip, port, group, text); });
}

void PalavoIF::OnAutoResponsed(const QByteArray& address, const QByteArray& message)
{
    const QString ip = Text(address);
    const QString text = Text(message);
    Fire([&](IPalavoIFEvents& sink) { sink.AutoResponsedNotification(ip, text); });
}

void PalavoIF::OnXmlCommand(const QByteArray& command, const MemberRecord& sender,
                            const XmlElementList& elements)
{
    const QString ip = Text(sender.IPAddress);
    if (command == "RequestVoIP") {
        const CallSignalling::Request request = CallSignalling::ReadRequest(elements);
        const QString alias = Text(sender.Aliase);
        Fire([&](IPalavoIFEvents& sink) {
            sink.VoIPRequestReceived(ip, alias, request.PortNo, Flag(request.Video),
                                     Flag(request.CapT120));
        });
    } else if (command == "RejectVoIP") {
        Fire([&](IPalavoIFEvents& sink) { sink.VoIPRejectReceived(ip); });
    } else if (command == "StopReqVoIP") {
        Fire([&](IPalavoIFEvents& sink) { sink.VoIPRequestStopReceived(ip); });
    } else {
        // File offers, stops and refusals belong to the transfer windows.
        m_transfers->OnCommand(command, sender, elements);
    }
}

// --- Notices of the engine -----------------------------------------------------

void PalavoIF::OnSendWhileBusy()
{
    ShowNotice({QStringLiteral("ただいま先ほどのメッセージを送信中です。\n"
                               "2-3秒後にメッセージ送信ボタンを押し直してください。"),
                QStringLiteral("お願い"), MessageBoxIcon::None, MessageBoxButtons::Ok});
}

void PalavoIF::OnReceiptTimedOut()
{
    ShowNotice({QStringLiteral("メッセージは上手く送信されなかったようです。\n"
                               "相手のマシンがダウンしている可能性があります。"),
                QStringLiteral("お知らせ"), MessageBoxIcon::Information, MessageBoxButtons::Ok});
}

void PalavoIF::ShowNotice(MessageBoxRequest box)
{
    // How often the engine has a notice is the peers' choice (each refused send, each
    // lost receipt); one box of a kind, waiting or on screen, tells the user as much.
    if (NoticeOut(box)) {
        qCDebug(lcComponent) << "one already waits or is shown:" << box.Caption;
        return;
    }
    if (m_handlingDepth == 0) {
        ShowNow(box);
        return;
    }
    qCDebug(lcComponent) << "held until the datagram batch is through:" << box.Caption;
    m_pendingNotices.push_back(std::move(box));
    if (!m_noticesPosted) {
        m_noticesPosted = true;
        PostWindowMessage(this, WM_SHOW_NOTICES);
    }
}

namespace
{
// Notices of one kind have the same text and caption.
auto SameKindAs(const MessageBoxRequest& box)
{
    return [&box](const MessageBoxRequest& other) {
        return other.Text == box.Text && other.Caption == box.Caption;
    };
}
} // namespace

bool PalavoIF::NoticeOut(const MessageBoxRequest& box) const
{
    const auto same = SameKindAs(box);
    return std::any_of(m_pendingNotices.begin(), m_pendingNotices.end(), same) ||
           std::any_of(m_noticesShowing.begin(), m_noticesShowing.end(), same);
}

// The box is modal: while it is up, the event loop runs and may bring the same notice.
void PalavoIF::ShowNow(const MessageBoxRequest& box)
{
    m_noticesShowing.push_back(box);
    const QPointer<PalavoIF> alive(this);
    m_services.MessageBoxes.Show(this, box);
    if (alive.isNull())
        return;
    const auto shown =
        std::find_if(m_noticesShowing.begin(), m_noticesShowing.end(), SameKindAs(box));
    if (shown != m_noticesShowing.end())
        m_noticesShowing.erase(shown);
}

// Posted events also arrive in an event loop a sink runs while it handles a datagram;
// the notices then wait for the end of that datagram (see event()).
void PalavoIF::ShowPendingNotices()
{
    while (m_handlingDepth == 0 && !m_pendingNotices.empty()) {
        const MessageBoxRequest box = std::move(m_pendingNotices.front());
        m_pendingNotices.pop_front();
        const QPointer<PalavoIF> alive(this);
        ShowNow(box);
        if (alive.isNull())
            return;
    }
}

// --- Registration ---------------------------------------------------------------

namespace PalavoIFModule
{

namespace
{
const QString VersionedProgId = QStringLiteral("PalavoIF.PalavoIF.1");
const QString ProgId = QStringLiteral("PalavoIF.PalavoIF");
} // namespace

HRESULT DllRegisterServer(ClassRegistry& registry, const PlatformServices& services)
{
    registry.RegisterClass(VersionedProgId, {QStringLiteral("PalavoIF Class"),
                                             [services]() -> std::unique_ptr<QObject> {
                                                 return std::make_unique<PalavoIF>(services);
                                             }});
    registry.RegisterCurrentVersion(ProgId, VersionedProgId);
    return S_OK;
}

HRESULT DllUnregisterServer(ClassRegistry& registry)
{
    registry.Unregister(ProgId);
    registry.Unregister(VersionedProgId);
    return S_OK;
}

HRESULT DllCanUnloadNow()
{
    return PalavoIF::InstanceCount() == 0 ? S_OK : S_FALSE;
}

} // namespace PalavoIFModule
