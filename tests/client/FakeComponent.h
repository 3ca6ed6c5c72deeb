#pragma once

#include "component/ErrorInfo.h"
#include "component/IPalavoIF.h"
#include "component/IPalavoIFEventSource.h"
#include "component/IPalavoIFEvents.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

// A network component that journals every call as "Member(arg,arg)" into a script that
// outlives it, answers from the script, and fails the member named in FailMember. Its
// advised sinks are in the script, so a test raises the component's events through them.
class FakeComponent : public QObject, public IPalavoIF, public IPalavoIFEventSource
{
    Q_OBJECT

public:
    struct Script {
        QStringList Journal;
        QString FailMember;
        QString FailText = QStringLiteral("failed on purpose");
        int32_t Result = 0; // FileTransfer's and RequestVoIP's return code
        QString AppInfo = QStringLiteral("Palavo XP 0.1.0");
        QString MailInfo = QStringLiteral("m@x.jp");
        // Advised sinks by cookie (cookie - 1 is the index; unadvised ones are null).
        std::vector<IPalavoIFEvents*> Sinks;
    };

    explicit FakeComponent(std::shared_ptr<Script> script) : m_script(std::move(script)) {}

    int Advise(IPalavoIFEvents* sink) override
    {
        m_script->Sinks.push_back(sink);
        return static_cast<int>(m_script->Sinks.size());
    }
    bool Unadvise(int cookie) override
    {
        if (cookie < 1 || cookie > static_cast<int>(m_script->Sinks.size()) ||
            m_script->Sinks[cookie - 1] == nullptr)
            return false;
        m_script->Sinks[cookie - 1] = nullptr;
        return true;
    }

    using S = const QString&;
    HRESULT put_BackColor(OLE_COLOR) override { return Rec("put_BackColor"); }
    HRESULT get_BackColor(OLE_COLOR*) override { return Rec("get_BackColor"); }
    HRESULT put_BackStyle(int32_t) override { return Rec("put_BackStyle"); }
    HRESULT get_BackStyle(int32_t*) override { return Rec("get_BackStyle"); }
    HRESULT get_MyUserName(QString* v) override { return Get("get_MyUserName", v, "fake-user"); }
    HRESULT put_MyUserName(S v) override { return Rec("put_MyUserName", {v}); }
    HRESULT get_MyAliase(QString*) override { return Rec("get_MyAliase"); }
    HRESULT put_MyAliase(S v) override { return Rec("put_MyAliase", {v}); }
    HRESULT get_MyHostName(QString* v) override { return Get("get_MyHostName", v, "fake-host"); }
    HRESULT put_MyHostName(S v) override { return Rec("put_MyHostName", {v}); }
    HRESULT get_ApplicationName(QString*) override { return Rec("get_ApplicationName"); }
    HRESULT put_ApplicationName(S v) override { return Rec("put_ApplicationName", {v}); }
    HRESULT get_ApplicationVersion(QString*) override { return Rec("get_ApplicationVersion"); }
    HRESULT put_ApplicationVersion(S v) override { return Rec("put_ApplicationVersion", {v}); }
    HRESULT get_Groups(QString*) override { return Rec("get_Groups"); }
    HRESULT put_Groups(S v) override { return Rec("put_Groups", {v}); }
    HRESULT get_PortNo(int32_t*) override { return Rec("get_PortNo"); }
    HRESULT put_PortNo(int32_t v) override { return Rec("put_PortNo", {N(v)}); }
    HRESULT get_BroadCastIPAddresses(QString*) override { return Rec("get_BroadCastIPAddresses"); }
    HRESULT put_BroadCastIPAddresses(S v) override { return Rec("put_BroadCastIPAddresses", {v}); }
    HRESULT SendPrivateMessage(S ip, int32_t ack, S m) override
    {
        return Rec("SendPrivateMessage", {ip, N(ack), m});
    }
    HRESULT SendGroupMessage(S ip, int32_t ack, S m, S g) override
    {
        return Rec("SendGroupMessage", {ip, N(ack), m, g});
    }
    HRESULT Entry(int32_t e, S l) override { return Rec("Entry", {N(e), l}); }
    HRESULT UpdatePresense(int32_t e, S l, S r) override
    {
        return Rec("UpdatePresense", {N(e), l, r});
    }
    HRESULT ReEntry() override { return Rec("ReEntry"); }
    HRESULT GetAppInfo(S ip, QString* v) override
    {
        return Get("GetAppInfo", v, m_script->AppInfo, ip);
    }
    HRESULT Drop() override { return Rec("Drop"); }
    HRESULT SendXmlMessage(S ip, S m) override { return Rec("SendXmlMessage", {ip, m}); }
    HRESULT FileTransfer(S ip, S f, S c, int32_t* r) override
    {
        return Ret(Rec("FileTransfer", {ip, f, c}), r);
    }
    HRESULT get_MailAddress(QString*) override { return Rec("get_MailAddress"); }
    HRESULT put_MailAddress(S v) override { return Rec("put_MailAddress", {v}); }
    HRESULT GetMailInfo(S ip, QString* v) override
    {
        return Get("GetMailInfo", v, m_script->MailInfo, ip);
    }
    HRESULT CastGroupMessage(S m, S g) override { return Rec("CastGroupMessage", {m, g}); }
    HRESULT RequestVoIP(S ip, int32_t port, VARIANT_BOOL v, VARIANT_BOOL t, int32_t* r) override
    {
        return Ret(Rec("RequestVoIP", {ip, N(port), N(v != 0), N(t != 0)}), r);
    }
    HRESULT RejectVoIP(S ip) override { return Rec("RejectVoIP", {ip}); }
    HRESULT RejectFileTransfer(S ip) override { return Rec("RejectFileTransfer", {ip}); }
    HRESULT StopRequestVoIP(S ip) override { return Rec("StopRequestVoIP", {ip}); }
    HRESULT UseHostlist(VARIANT_BOOL b) override { return Rec("UseHostlist", {N(b != 0)}); }

private:
    static QString N(int64_t value) { return QString::number(value); }
    HRESULT Rec(const char* member, const QStringList& args = {})
    {
        const QString name = QString::fromLatin1(member);
        m_script->Journal.append(name + u'(' + args.join(u',') + u')');
        return name == m_script->FailMember
                   ? ReportError(QStringLiteral("fake"), m_script->FailText)
                   : S_OK;
    }
    // Out-values are written only on success, as the real component does.
    HRESULT Get(const char* member, QString* out, const QString& value, const QString& ip = {})
    {
        const HRESULT hr = Rec(member, ip.isEmpty() ? QStringList() : QStringList{ip});
        if (SUCCEEDED(hr))
            *out = value;
        return hr;
    }
    HRESULT Ret(HRESULT hr, int32_t* result)
    {
        if (SUCCEEDED(hr))
            *result = m_script->Result;
        return hr;
    }

    std::shared_ptr<Script> m_script;
};
