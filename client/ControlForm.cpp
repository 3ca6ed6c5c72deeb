#include "ControlForm.h"

#include "client/ChatInfo.h"
#include "client/IControlFormEvents.h"
#include "client/IVoiceCallRequests.h"
#include "client/TraceLog.h"
#include "component/ErrorInfo.h"
#include "component/IPalavoIFEventSource.h"
#include "component/PalavoIF.h"
#include "platform/BeepService.h"
#include "platform/ClassRegistry.h"
#include "platform/MessageBoxService.h"

namespace
{

const QString PalaChat = QStringLiteral("Pala Chat");

bool Flag(VARIANT_BOOL value)
{
    return value != 0;
}

VARIANT_BOOL Variant(bool value)
{
    return value ? -1 : 0;
}

} // namespace

ControlForm::ControlForm(ClassRegistry& registry, const PlatformServices& services, ChatInfo& info,
                         QObject* parent, const QString& progId)
    : QObject(parent), m_services(services), m_info(info)
{
    setObjectName(QStringLiteral("virtualChat"));
    // The control library carries the component library with it, so the component is
    // registered on first use as an installer would have done.
    if (registry.Find(progId) == nullptr)
        PalavoIFModule::DllRegisterServer(registry, services);
    m_object = registry.Create(progId);
    // What the registry made is used only through the component's two interfaces.
    m_component = dynamic_cast<IPalavoIF*>(m_object.get());
    if (m_component == nullptr) {
        m_object.reset();
        return;
    }
    m_events = dynamic_cast<IPalavoIFEventSource*>(m_object.get());
    if (m_events != nullptr)
        m_cookie = m_events->Advise(&m_sink);
}

ControlForm::~ControlForm()
{
    if (m_component == nullptr)
        return;
    // The peers see our exit exactly once: ExitChat may have said it already.
    if (!m_exitingFlag) {
        m_component->Drop();
        TakeErrorInfo();
    }
    if (m_events != nullptr)
        m_events->Unadvise(m_cookie);
    // Gone before the sink it might still call.
    m_object.reset();
}

QString ControlForm::ApplicationName()
{
    return QStringLiteral("Palavo XP");
}

QString ControlForm::ApplicationVersion()
{
    return QStringLiteral(PALAVO_VERSION_TEXT);
}

void ControlForm::Init()
{
    TraceLog(QStringLiteral("virtualForm.Init()"));
    m_phase = 1;
}

HRESULT ControlForm::Missing() const
{
    return ReportError(
        objectName(), QStringLiteral("ネットワークコンポーネント PalavoIF を作成できませんでした"));
}

void ControlForm::ShowFailure(HRESULT hr)
{
    QString description = TakeErrorInfo().Description;
    if (description.isEmpty())
        description = QStringLiteral("ネットワークコンポーネントのエラー (0x%1)")
                          .arg(static_cast<uint32_t>(hr), 8, 16, QLatin1Char('0'));
    m_services.MessageBoxes.Show(
        this, {description, PalaChat, MessageBoxIcon::None, MessageBoxButtons::Ok});
}

void ControlForm::ShowRefusal(const QString& text)
{
    m_services.Beeps.Beep(IBeepService::DesktopBeep, 0);
    m_services.MessageBoxes.Show(
        this, {text, QStringLiteral("警告"), MessageBoxIcon::Error, MessageBoxButtons::Ok});
}

HRESULT ControlForm::SetEntryProperties(const QString& aliase, int32_t port, const QString& groups,
                                        const QString& castAddr, const QString& mailaddr,
                                        bool bUseHostlist)
{
    IPalavoIF& c = *m_component;
    // The order matters to the component; each step runs only when the one before it
    // succeeded.
    HRESULT hr = c.put_MyAliase(aliase);
    // The component settles the logon and host names itself during Entry.
    if (SUCCEEDED(hr))
        hr = c.put_MyUserName(QString());
    if (SUCCEEDED(hr))
        hr = c.put_ApplicationName(ApplicationName());
    if (SUCCEEDED(hr))
        hr = c.put_ApplicationVersion(ApplicationVersion());
    if (SUCCEEDED(hr))
        hr = c.put_MyHostName(QString());
    if (SUCCEEDED(hr))
        hr = c.put_PortNo(port);
    if (SUCCEEDED(hr))
        hr = c.put_Groups(groups);
    if (SUCCEEDED(hr))
        hr = c.put_BroadCastIPAddresses(castAddr);
    if (SUCCEEDED(hr))
        hr = c.put_MailAddress(mailaddr);
    if (SUCCEEDED(hr))
        hr = c.UseHostlist(Variant(bUseHostlist));
    return hr;
}

bool ControlForm::Entry(const QString& aliase, int32_t port, const QString& groups,
                        const QString& castAddr, const QString& mailaddr, bool bUseHostlist)
{
    if (m_component == nullptr) {
        ShowFailure(Missing());
        return false;
    }
    // A property the component refuses is reported like a refused entry, rather than
    // left for a caller that has no way to handle it.
    HRESULT hr = SetEntryProperties(aliase, port, groups, castAddr, mailaddr, bUseHostlist);
    if (SUCCEEDED(hr))
        hr = m_component->Entry(1, QString());
    QString settled;
    if (SUCCEEDED(hr))
        hr = m_component->get_MyHostName(&settled);
    if (SUCCEEDED(hr)) {
        m_info.setHostName(settled);
        hr = m_component->get_MyUserName(&settled);
    }
    if (FAILED(hr)) {
        ShowFailure(hr);
        return false;
    }
    m_info.setUserName(settled);
    m_exitingFlag = false;
    return true;
}

void ControlForm::UpdatePresence(bool Exist, const QString& location, const QString& response)
{
    const HRESULT hr = m_component == nullptr
                           ? Missing()
                           : m_component->UpdatePresense(Exist ? 1 : 0, location,
                                                         QStringLiteral("不在(") + response + u')');
    if (FAILED(hr))
        ShowFailure(hr);
}

void ControlForm::SendChatMessage(const QString& IPAddress, const QString& message,
                                  const QString& group)
{
    HRESULT hr = S_OK;
    if (m_component == nullptr)
        hr = Missing();
    else if (!group.isEmpty())
        hr = m_component->SendGroupMessage(IPAddress, 1, message, group);
    else
        hr = m_component->SendPrivateMessage(IPAddress, 1, message);
    if (FAILED(hr))
        ShowFailure(hr);
}

void ControlForm::SendGroupChatMessage(const QString& message, const QString& group)
{
    if (group.isEmpty())
        return;
    const HRESULT hr =
        m_component == nullptr ? Missing() : m_component->CastGroupMessage(message, group);
    if (FAILED(hr))
        ShowFailure(hr);
}

HRESULT ControlForm::ExitChat()
{
    if (m_component == nullptr)
        return Missing();
    m_exitingFlag = true;
    return m_component->Drop();
}

HRESULT ControlForm::SendFile(const QString& IPAddress, const QString& FilePath,
                              const QString& comment)
{
    if (m_component == nullptr)
        return Missing();
    int32_t result = 0;
    const HRESULT hr = m_component->FileTransfer(IPAddress, FilePath, comment, &result);
    if (SUCCEEDED(hr) && result == -1)
        ShowRefusal(QStringLiteral("相手は、ファイル受信できるユーザではありません"));
    return hr;
}

HRESULT ControlForm::RequestVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo,
                                 bool capT120)
{
    if (m_component == nullptr)
        return Missing();
    int32_t result = 0;
    const HRESULT hr =
        m_component->RequestVoIP(destIPAddr, myPort, Variant(useVideo), Variant(capT120), &result);
    if (SUCCEEDED(hr) && result == -1) {
        ShowRefusal(QStringLiteral("相手は、音声チャットできるユーザではありません"));
        // Nothing went out: the call manager must not wait for an answer.
        return S_FALSE;
    }
    return hr;
}

HRESULT ControlForm::RejectVoIP(const QString& destIPAddr)
{
    return m_component == nullptr ? Missing() : m_component->RejectVoIP(destIPAddr);
}

HRESULT ControlForm::ReqStopVoIP(const QString& destIPAddr)
{
    return m_component == nullptr ? Missing() : m_component->StopRequestVoIP(destIPAddr);
}

HRESULT ControlForm::GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr)
{
    ToolName.clear();
    mailaddr.clear();
    if (m_component == nullptr)
        return Missing();
    const HRESULT hr = m_component->GetAppInfo(IPAddr, &ToolName);
    if (FAILED(hr))
        return hr;
    return m_component->GetMailInfo(IPAddr, &mailaddr);
}

HRESULT ControlForm::ReEntry()
{
    return m_component == nullptr ? Missing() : m_component->ReEntry();
}

// --- Component events -------------------------------------------------------------

void ControlForm::Sink::MemberAdded(const QString& IPAddress, int32_t PortNo, VARIANT_BOOL Exist,
                                    const QString& Location, const QString& Aliase,
                                    const QString& HostName, const QString& UserName,
                                    const QString& GroupNames)
{
    if (m_form.m_listener != nullptr)
        m_form.m_listener->OnAddMember(IPAddress, PortNo, Flag(Exist), Location, Aliase, HostName,
                                       UserName, GroupNames);
}

void ControlForm::Sink::PresenseNotified(const QString& IPAddress, VARIANT_BOOL Exist,
                                         const QString& Location)
{
    if (m_form.m_listener != nullptr)
        m_form.m_listener->OnChangeMember(IPAddress, Flag(Exist), Location);
}

void ControlForm::Sink::MemberDeleted(const QString& IPAddress)
{
    TraceLog(QStringLiteral("PalavoIF_MemberDeleted ") + IPAddress);
    if (m_form.m_listener != nullptr)
        m_form.m_listener->OnDeleteMember(IPAddress);
}

void ControlForm::Sink::MessageReceived(const QString& IPAddress, int32_t PortNo,
                                        const QString& GroupName, const QString& Message,
                                        VARIANT_BOOL IsSecret)
{
    if (m_form.m_listener != nullptr)
        m_form.m_listener->OnRecvMessage(IPAddress, PortNo, GroupName, Message, Flag(IsSecret));
}

void ControlForm::Sink::GroupMessageReceived(const QString& IPAddress, int32_t PortNo,
                                             const QString& GroupName, const QString& Message)
{
    if (m_form.m_listener != nullptr)
        m_form.m_listener->OnRecvGroupMessage(IPAddress, PortNo, GroupName, Message);
}

void ControlForm::Sink::AutoResponsedNotification(const QString& IPAddress, const QString& Message)
{
    if (m_form.m_listener != nullptr)
        m_form.m_listener->OnAutoResponsed(IPAddress, Message);
}

void ControlForm::Sink::VoIPRequestReceived(const QString& IPAddress, const QString& Aliase,
                                            int32_t PortNo, VARIANT_BOOL video,
                                            VARIANT_BOOL capT120)
{
    if (m_form.m_callManager != nullptr) {
        m_form.m_callManager->VoIPRequestOffered(IPAddress, Aliase, PortNo, Flag(video),
                                                 Flag(capT120));
        return;
    }
    // Voice chat is unavailable in this run: refuse at once, showing nothing.
    if (FAILED(m_form.RejectVoIP(IPAddress)))
        TakeErrorInfo();
}

void ControlForm::Sink::VoIPRejectReceived(const QString& IPAddress)
{
    if (m_form.m_callManager != nullptr)
        m_form.m_callManager->VoIPRequestRejected(IPAddress);
}

void ControlForm::Sink::VoIPRequestStopReceived(const QString& IPAddress)
{
    if (m_form.m_callManager != nullptr)
        m_form.m_callManager->VoIPRequestStopped(IPAddress);
}
