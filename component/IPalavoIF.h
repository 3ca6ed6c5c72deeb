#pragma once

#include "AutomationTypes.h"

#include <QString>

// The network component's interface, member for member in the order (and with the
// DISPIDs) that its clients were written against. Every member returns a result code;
// a failing member also leaves its description in the error information
// (ErrorInfo.h). Out-values are written through the pointer on success; a failing
// member may still have written its out-value (`FileTransfer` sets RetCode 0 before it
// fails on the transfer port), and `get_Groups` by design never writes its out-value.
class IPalavoIF
{
public:
    enum Dispid : int32_t {
        DISPID_BACKCOLOR = -501,
        DISPID_BACKSTYLE = -502,
        DISPID_MyUserName = 1,
        DISPID_MyAliase = 2,
        DISPID_MyHostName = 3,
        DISPID_ApplicationName = 4,
        DISPID_ApplicationVersion = 5,
        DISPID_Groups = 6,
        DISPID_PortNo = 7,
        DISPID_BroadCastIPAddresses = 8,
        DISPID_SendPrivateMessage = 9,
        DISPID_SendGroupMessage = 10,
        DISPID_Entry = 11,
        DISPID_UpdatePresense = 12,
        DISPID_ReEntry = 13,
        DISPID_GetAppInfo = 14,
        DISPID_Drop = 15,
        DISPID_SendXmlMessage = 16,
        DISPID_FileTransfer = 17,
        DISPID_MailAddress = 18,
        DISPID_GetMailInfo = 19,
        DISPID_CastGroupMessage = 20,
        DISPID_RequestVoIP = 21,
        DISPID_RejectVoIP = 22,
        DISPID_RejectFileTransfer = 23,
        DISPID_StopRequestVoIP = 24,
        DISPID_UseHostlist = 25,
    };

    virtual ~IPalavoIF() = default;

    virtual HRESULT put_BackColor(OLE_COLOR color) = 0;
    virtual HRESULT get_BackColor(OLE_COLOR* color) = 0;
    virtual HRESULT put_BackStyle(int32_t style) = 0;
    virtual HRESULT get_BackStyle(int32_t* style) = 0;
    virtual HRESULT get_MyUserName(QString* value) = 0;
    virtual HRESULT put_MyUserName(const QString& value) = 0;
    virtual HRESULT get_MyAliase(QString* value) = 0;
    virtual HRESULT put_MyAliase(const QString& value) = 0;
    virtual HRESULT get_MyHostName(QString* value) = 0;
    virtual HRESULT put_MyHostName(const QString& value) = 0;
    virtual HRESULT get_ApplicationName(QString* value) = 0;
    virtual HRESULT put_ApplicationName(const QString& value) = 0;
    virtual HRESULT get_ApplicationVersion(QString* value) = 0;
    virtual HRESULT put_ApplicationVersion(const QString& value) = 0;
    virtual HRESULT get_Groups(QString* value) = 0;
    virtual HRESULT put_Groups(const QString& value) = 0;
    virtual HRESULT get_PortNo(int32_t* value) = 0;
    virtual HRESULT put_PortNo(int32_t value) = 0;
    virtual HRESULT get_BroadCastIPAddresses(QString* value) = 0;
    virtual HRESULT put_BroadCastIPAddresses(const QString& value) = 0;
    virtual HRESULT SendPrivateMessage(const QString& IPAddress, int32_t NeedAck,
                                       const QString& Message) = 0;
    virtual HRESULT SendGroupMessage(const QString& IPAddress, int32_t NeedAck,
                                     const QString& Message, const QString& GroupName) = 0;
    virtual HRESULT Entry(int32_t Exist, const QString& Location) = 0;
    virtual HRESULT UpdatePresense(int32_t Exist, const QString& Location,
                                   const QString& AbsentResponse) = 0;
    virtual HRESULT ReEntry() = 0;
    virtual HRESULT GetAppInfo(const QString& IPAddress, QString* AppName) = 0;
    virtual HRESULT Drop() = 0;
    virtual HRESULT SendXmlMessage(const QString& IPAddress, const QString& Message) = 0;
    virtual HRESULT FileTransfer(const QString& IPAddress, const QString& FileName,
                                 const QString& Comment, int32_t* RetCode) = 0;
    virtual HRESULT get_MailAddress(QString* value) = 0;
    virtual HRESULT put_MailAddress(const QString& value) = 0;
    virtual HRESULT GetMailInfo(const QString& IPAddress, QString* MailAddress) = 0;
    virtual HRESULT CastGroupMessage(const QString& Message, const QString& GroupName) = 0;
    virtual HRESULT RequestVoIP(const QString& destIPAddress, int32_t myPortNo, VARIANT_BOOL video,
                                VARIANT_BOOL capT120, int32_t* RetCode) = 0;
    virtual HRESULT RejectVoIP(const QString& destIPAddress) = 0;
    virtual HRESULT RejectFileTransfer(const QString& IPAddress) = 0;
    virtual HRESULT StopRequestVoIP(const QString& destIPAddress) = 0;
    virtual HRESULT UseHostlist(VARIANT_BOOL bUse) = 0;
};
