#pragma once

#include "client/IChatForm.h"
#include "client/IGroupChatForm.h"

#include <QHash>
#include <QString>

#include <memory>

// The chat windows whose member or group has gone while they were on screen: greyed and
// read-only, kept by the member's address or the group's name until the user closes them
// or the same member or group comes back, which gets its window again (enabled, its lines
// kept) instead of a second one. So however often a member leaves and enters, it has one
// window. The chat session holds one; windows left here go with it.
class ParkedWindows
{
public:
    ParkedWindows() = default;
    ~ParkedWindows();
    ParkedWindows(const ParkedWindows&) = delete;
    ParkedWindows& operator=(const ParkedWindows&) = delete;

    // The window of a record being released (already disabled): kept while it is on
    // screen, else deleted.
    void Park(const QString& address, std::unique_ptr<IChatForm> form);
    void Park(const QString& group, std::unique_ptr<IGroupChatForm> form);
    // The window kept for this address or group, reclaimed, or null.
    std::unique_ptr<IChatForm> TakeChatForm(const QString& address);
    std::unique_ptr<IGroupChatForm> TakeGroupChatForm(const QString& group);
    // One-to-one windows kept here, all on screen.
    int ChatWindowCount() const { return static_cast<int>(m_chatForms.size()); }

private:
    template <typename Form>
    void Keep(QHash<QString, Form*>& shelf, const QString& key, std::unique_ptr<Form> form);
    template <typename Form>
    std::unique_ptr<Form> Take(QHash<QString, Form*>& shelf, const QString& key);

    QHash<QString, IChatForm*> m_chatForms;
    QHash<QString, IGroupChatForm*> m_groupForms;
};
