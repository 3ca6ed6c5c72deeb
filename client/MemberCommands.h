#pragma once

#include "client/UserInformation.h"

#include <QString>
#include <QStringList>

class ChatSession;
class IMemberCommandDialogs;

// The commands the user gives on one member of the list, and the help page, without
// widgets: the view hands in the row's key (the member's address) and this finds the
// member in the session, refuses what the member cannot do with the product's boxes,
// and opens mail, the help page, the file-send dialog or the call confirmation.
// Commands for an empty address (no row selected) do nothing.
class MemberCommands
{
public:
    // Both outlive the commands.
    MemberCommands(ChatSession& session, IMemberCommandDialogs& dialogs);

    // The member of a row, or null when it has left.
    UserInformation* Member(const QString& address) const;

    // "メッセージング": the member's chat window.
    void Messaging(const QString& address);
    // "音声チャット": refused without a call client or for a member who is gone or no
    // copy of this product; else ExecVoiceChat.
    void VoiceChat(const QString& address);
    // "メール送信": the desktop's mail program, when the member gave an address; a box
    // "エラー" instead when that address is not a plain one (IsPlainMailAddress).
    void Mail(const QString& address);
    // One "@" between non-empty parts of letters, digits and ".!$'*+-/=^_`{|}~" (ASCII):
    // nothing that could add headers, recipients or a body to a mailto: URL.
    static bool IsPlainMailAddress(const QString& mail);
    // "ファイル転送": refused for a member who is gone or no copy of this product; else
    // ExecFileTrans with no file chosen yet.
    void FileTrans(const QString& address);
    // "プロパティ": the box "詳細情報".
    void UserProperty(const QString& address);
    // Files dropped on the member's row: only the last one is offered.
    void DropFiles(const QString& address, const QStringList& files);

    // The file-send dialog for the member; only a beep for one's own address.
    void ExecFileTrans(const QString& address, const QString& file);
    // The call confirmation and the call request; only a beep for one's own address,
    // nothing while a call is in progress or without a call client.
    void ExecVoiceChat(const QString& address);

    // "ヘルプ(Palavo XP)": the page "index.html" beside the program.
    void Help();

    // The text of "詳細情報": nickname, address, host and logon name, then the tool name
    // and mail address when known, one line each.
    static QString PropertyText(const UserInformation& member,
                                const UserInformation::Detail& detail);

private:
    // False (and the refusal shown) unless the member is here and a copy of this product.
    bool CheckProductUser(const UserInformation* member, const QString& refusal);
    void Refuse(const QString& text, const QString& caption);
    void Beep();

    ChatSession& m_session;
    IMemberCommandDialogs& m_dialogs;
};
