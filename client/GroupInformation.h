#pragma once

#include "client/IGroupChatForm.h"
#include "client/RecordContext.h"

#include <QString>

#include <memory>

// One of the local user's groups. The record owns the group chat window, made when first
// needed; releasing the record disables the window.
class GroupInformation
{
public:
    // `context` (kept, may be null) gives the members and the windows.
    explicit GroupInformation(const QString& group = {}, const RecordContext* context = nullptr);
    ~GroupInformation();
    GroupInformation(const GroupInformation&) = delete;
    GroupInformation& operator=(const GroupInformation&) = delete;

    // Puts every member of the session's UserList whose names hold this group and who runs this
    // product into the window (the window ignores ones it lists already), then shows it.
    void ShowChatForm();

    const QString& group() const { return m_group; }
    // Also the window's m_group.
    void setGroup(const QString& group);

    // Brings the window up and hands it the message.
    void RecvMessage(const QString& message, const QString& senderAliase,
                     const QString& senderAddress);
    // Passes the member to the window when the session's UserList holds its address and the window
    // has been made (a window made later gathers its members in ShowChatForm).
    void AddMember(const QString& aliase, const QString& address);
    void DeleteMember(const QString& address);

    IGroupChatForm* ExistingChatForm() const { return m_chatForm.get(); }
    // As UserInformation::ReclaimChatForm, by the group's name.
    bool ReclaimChatForm();

private:
    IGroupChatForm& ChatForm();

    const RecordContext* m_context;
    QString m_group;
    std::unique_ptr<IGroupChatForm> m_chatForm;
};
