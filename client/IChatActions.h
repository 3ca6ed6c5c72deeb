#pragma once

#include "client/IMemberDetails.h"

#include <QString>

#include <cstdint>

// What the chat windows, dialogs and the call manager ask of the chat session: sending
// to members and groups, files and calls, and a member's details. Failures are shown to
// the user by the session itself.
class IChatActions : public IMemberDetails
{
public:
    // A group message to the member when `group` is not empty, else a private message.
    virtual void SendChat(const QString& IPAddress, const QString& Message,
                          const QString& group) = 0;
    // A cast message to the whole group.
    virtual void SendGroupChat(const QString& Message, const QString& group) = 0;
    virtual void SendFile(const QString& IPAddr, const QString& FilePath,
                          const QString& comment) = 0;
    // False when the request did not go out (the member takes no calls, or the component
    // failed); the session has told the user why.
    virtual bool ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo,
                              bool capT120) = 0;
    virtual void ReqStopVoIP(const QString& destIPAddr) = 0;
    virtual void RejectVoIP(const QString& destIPAddr) = 0;
    // The user has had the conversation in front of them (its window became the active
    // one, or was closed): its received lines count as read. `group` empty: the
    // one-to-one window of `IPAddress`; else the group's window.
    virtual void ChatSeen(const QString& IPAddress, const QString& group) = 0;
};
