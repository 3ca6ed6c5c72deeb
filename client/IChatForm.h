#pragma once

#include <QString>

#include <functional>

// What a member record needs of its one-to-one chat window: ui/ChatForm implements it,
// ChatFormStandIn stands in where there are no widgets (the client-core tests).
class IChatForm
{
public:
    virtual ~IChatForm() = default;

    // m_address and m_aliase of the window: whom it talks to.
    virtual void SetPartner(const QString& address, const QString& aliase) = 0;
    // Shows the window without making it modal.
    virtual void ShowModeless() = 0;
    // `time`: when the line came, as the log shows times; empty: now.
    virtual void Recvmsg(const QString& message, const QString& group, bool isSecret,
                         const QString& time) = 0;
    // The partner's automatic absence reply.
    virtual void NotifiyResponsed(const QString& message, const QString& time) = 0;
    // Whether the window is the active one, so a line arriving now is read at once.
    virtual bool IsActive() const = 0;
    // Whether the window is on screen (shown, perhaps minimised or behind others).
    virtual bool IsShown() const = 0;
    // The record is going away: no more sending (input box and send button greyed).
    virtual void Disable() = 0;
    // Asked once, after Disable, as the record is released. True: the window is on screen,
    // now owns itself and deletes itself when the user closes it, calling `closed` (when
    // given) as it closes. False: the record deletes it at once.
    virtual bool OutlivesRecord(std::function<void()> closed) = 0;
    // The member is back at the same address: the window that outlived its record
    // belongs to a record again (no longer deleted on close) and sends again, its lines
    // kept.
    virtual void Reclaim() = 0;
};
