#pragma once

#include "client/IChatForm.h"
#include "client/RecordContext.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

// One member as the network component announced it, keyed by its address; also the
// local user's own values inside ChatInfo. The record owns its one-to-one chat window,
// made when first needed; releasing the record disables the window.
class UserInformation
{
public:
    // What getDetail fetches from the network component, never stored.
    struct Detail {
        QString ToolName;
        QString MailAddress;
    };

    // `context` (kept, may be null) is where the record asks for details and windows.
    explicit UserInformation(const RecordContext* context = nullptr);
    ~UserInformation();
    UserInformation(const UserInformation&) = delete;
    UserInformation& operator=(const UserInformation&) = delete;

    // Tells the window whom it talks to, then shows it without making it modal, with the
    // lines held for it.
    void ShowChatForm();

    const QString& address() const { return m_address; }
    void setAddress(const QString& address) { m_address = address; }
    int32_t port() const { return m_port; }
    void setPort(int32_t port) { m_port = port; }
    const QString& host() const { return m_host; }
    void setHost(const QString& host) { m_host = host; }
    const QString& aliase() const { return m_aliase; }
    void setAliase(const QString& aliase) { m_aliase = aliase; }
    const QString& username() const { return m_username; }
    void setUserName(const QString& username) { m_username = username; }
    bool Presence() const { return m_presence; }
    void setPresence(bool present) { m_presence = present; }
    const QString& Location() const { return m_location; }
    void setLocation(const QString& location) { m_location = location; }

    int getNumOfGroups() const { return static_cast<int>(m_groups.size()); }
    // Group name at `index`, 1..getNumOfGroups(); position 0 and any other index give "".
    QString getGroup(int index) const;
    // Names 1..n.
    const QStringList& groupNames() const { return m_groups; }

    // Asks the network component (through the context's details) anew on every call.
    Detail getDetail() const;
    // A copy of this product: the tool name contains "Palavo XP". Group chat, file
    // transfer and calls are offered only to such members.
    bool IsProductUser() const;
    static bool IsProductTool(const QString& toolName);

    // Replaces the group names by the parsed comma list.
    void setGroups(const QString& commaList);
    void SetInfo(const QString& address, int32_t port, const QString& host, const QString& aliase,
                 bool presence, const QString& location, const QString& groups,
                 const QString& username);

    // Brings the window up and hands it the message; while the context's limit of windows
    // on screen is reached and this member's is not among them, holds it there instead.
    void RecvMessage(const QString& message, const QString& group, bool isSecret);
    // The same for the member's automatic absence reply.
    void NotifyResponsed(const QString& message);

    // The window when it has been made, else null.
    IChatForm* ExistingChatForm() const { return m_chatForm.get(); }
    // Takes back the window that a record of the same address left on screen (greyed,
    // with its lines) and enables it; true when the record has a window now.
    bool ReclaimChatForm();

private:
    IChatForm& ChatForm();
    ChatWindowLimit* WindowLimit() const;
    void TakeChatForm(std::unique_ptr<IChatForm> form);
    // True when the line was held (or dropped, past the held lines' bound).
    bool HoldWhileWindowsAreFull(const QString& message, const QString& group, bool isSecret,
                                 bool absenceReply);

    const RecordContext* m_context;
    QString m_address;
    int32_t m_port = 0;
    QString m_host;
    QString m_username;
    QString m_aliase;
    bool m_presence = false;
    QString m_location;
    QStringList m_groups;
    std::unique_ptr<IChatForm> m_chatForm;
};
