#pragma once

// The network bridge: the one place where the chat control talks to the network
// component (PalavoIF).
//
// How to use it (the chat session):
//
//     vim = std::make_unique<ControlForm>(registry, services, info);  // makes "PalavoIF.PalavoIF"
//     vim->SetListener(this);                     // this implements IControlFormEvents
//     vim->Init();
//     vim->SetVoiceCallManager(manager);          // or null while voice chat is unavailable
//     if (vim->Entry(info.aliase(), info.port(), info.groups(), info.castAddresses(),
//                    info.mailAddress(), info.useHostlist())) ...
//     vim->ExitChat();                            // cancel entry
//
// Entry, UpdatePresence, SendChatMessage and SendGroupChatMessage show a failure of the
// component in a "Pala Chat" message box themselves; SendFile and RequestVoIP show the
// component's refusal (-1) in a "警告" box (RequestVoIP then returns S_FALSE). The other methods,
// and failures of SendFile and RequestVoIP other than the refusal, return the component's result
// code and leave its description in the error information (component/ErrorInfo.h, TakeErrorInfo).
//
// Component events become the six IControlFormEvents; call requests, refusals and
// withdrawals go to the voice-call manager when one is set, and a request is refused at
// once when none is. Destroying the form drops the network presence unless ExitChat did.
//
// The form is never shown, so it is a plain QObject (named "virtualChat") rather than a
// hidden window; there is nothing to hide.

#include "component/IPalavoIF.h"
#include "component/IPalavoIFEvents.h"
#include "platform/PlatformServices.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class ChatInfo;
class ClassRegistry;
class IControlFormEvents;
class IPalavoIFEventSource;
class IVoiceCallRequests;

class ControlForm : public QObject
{
    Q_OBJECT

public:
    // The component is made from `registry` under `progId` (registering the built-in
    // PalavoIF there first, with `services`, when nothing is registered under that name).
    // Boxes and beeps go through `services`; a successful Entry tells `info` the host and
    // logon names. All three outlive the form.
    ControlForm(ClassRegistry& registry, const PlatformServices& services, ChatInfo& info,
                QObject* parent = nullptr,
                const QString& progId = QStringLiteral("PalavoIF.PalavoIF"));
    ~ControlForm() override;

    // "Palavo XP": what peers see as this member's tool name.
    static QString ApplicationName();
    // The control's version, "major.minor.revision".
    static QString ApplicationVersion();

    // 0 until Init, then 1.
    int GetPhase() const { return m_phase; }
    void Init();

    // Sets the component's properties in their fixed order and enters the network. On
    // success ChatInfo learns the host and logon names the component settled on. False
    // (after a "Pala Chat" box with the reason) when any step fails.
    bool Entry(const QString& aliase, int32_t port, const QString& groups, const QString& castAddr,
               const QString& mailaddr, bool bUseHostlist);
    // `response` is the text of the automatic absence reply.
    void UpdatePresence(bool Exist, const QString& location, const QString& response);
    // A group message to the member at IPAddress when `group` is not empty, else a
    // private message; both want a receipt.
    void SendChatMessage(const QString& IPAddress, const QString& message, const QString& group);
    // A cast message to the whole group; nothing for an empty group.
    void SendGroupChatMessage(const QString& message, const QString& group);
    HRESULT ExitChat();
    HRESULT SendFile(const QString& IPAddress, const QString& FilePath, const QString& comment);
    HRESULT RequestVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo, bool capT120);
    HRESULT RejectVoIP(const QString& destIPAddr);
    HRESULT ReqStopVoIP(const QString& destIPAddr);
    // Both out-values are emptied first and stay empty when the component fails.
    HRESULT GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr);
    HRESULT ReEntry();

    bool ExitingFlag() const { return m_exitingFlag; }

    // The chat session; null for none. The caller keeps ownership.
    void SetListener(IControlFormEvents* listener) { m_listener = listener; }
    // The voice-call session manager; null while voice chat is unavailable.
    void SetVoiceCallManager(IVoiceCallRequests* manager) { m_callManager = manager; }

    // The component, or null when it could not be made.
    IPalavoIF* Component() const { return m_component; }

    // Shows the description of the component's last failure titled "Pala Chat", and so
    // takes it out of the error information.
    void ShowFailure(HRESULT hr);

private:
    class Sink : public IPalavoIFEvents
    {
    public:
        explicit Sink(ControlForm& form) : m_form(form) {}
        void MemberAdded(const QString& IPAddress, int32_t PortNo, VARIANT_BOOL Exist,
                         const QString& Location, const QString& Aliase, const QString& HostName,
                         const QString& UserName, const QString& GroupNames) override;
        void PresenseNotified(const QString& IPAddress, VARIANT_BOOL Exist,
                              const QString& Location) override;
        void MemberDeleted(const QString& IPAddress) override;
        void MessageReceived(const QString& IPAddress, int32_t PortNo, const QString& GroupName,
                             const QString& Message, VARIANT_BOOL IsSecret) override;
        void GroupMessageReceived(const QString& IPAddress, int32_t PortNo,
                                  const QString& GroupName, const QString& Message) override;
        void AutoResponsedNotification(const QString& IPAddress, const QString& Message) override;
        void VoIPRequestReceived(const QString& IPAddress, const QString& Aliase, int32_t PortNo,
                                 VARIANT_BOOL video, VARIANT_BOOL capT120) override;
        void VoIPRejectReceived(const QString& IPAddress) override;
        void VoIPRequestStopReceived(const QString& IPAddress) override;

    private:
        ControlForm& m_form;
    };

    // The component's refusal (-1) of a file or a call: the partner is not one of us.
    void ShowRefusal(const QString& text);
    // The failure of every member while there is no component.
    HRESULT Missing() const;
    HRESULT SetEntryProperties(const QString& aliase, int32_t port, const QString& groups,
                               const QString& castAddr, const QString& mailaddr, bool bUseHostlist);

    PlatformServices m_services;
    ChatInfo& m_info;
    std::unique_ptr<QObject> m_object;
    IPalavoIF* m_component = nullptr;
    IPalavoIFEventSource* m_events = nullptr;
    int m_cookie = 0;
    Sink m_sink{*this};
    int m_phase = 0;
    bool m_exitingFlag = false;
    IControlFormEvents* m_listener = nullptr;
    IVoiceCallRequests* m_callManager = nullptr;
};
