#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class UserInformation;

// What the chat session tells the view that shows it (the main control): the view draws
// what it is told and forwards the user's clicks to the session. Called on the session's
// thread, synchronously; member references are valid only during the call.
class IChatSessionView
{
public:
    virtual ~IChatSessionView() = default;

    // Entered or not: which menus and selectors the user may use. Either way the presence
    // selector goes back to present ("オン").
    virtual void ShowEntryState(bool entered) = 0;
    // Panel 1 (connection) or 2 (voice chat) of the status bar.
    virtual void ShowPanelText(int panel, const QString& text) = 0;
    // The group selector anew: "すべて", then `groups` in order.
    virtual void ShowGroups(const QStringList& groups) = 0;
    // The selector shows `filter` ("すべて" for every member); group casts are offered
    // for a group only.
    virtual void ShowGroupFilter(const QString& filter) = 0;
    // The member rows anew, in order (none after a cancelled entry or a refresh).
    virtual void ShowMembers(const std::vector<const UserInformation*>& members) = 0;
    // One more row, at the end.
    virtual void AddMemberRow(const UserInformation& member) = 0;
    // The member's presence or memo changed; nothing when it has no row.
    virtual void UpdateMemberRow(const UserInformation& member) = 0;
    // The member left; nothing when it has no row.
    virtual void RemoveMemberRow(const QString& address) = 0;
    // The start-up probe found no call client: voice chat stays off for this run.
    virtual void DisableVoiceChat() = 0;
};
