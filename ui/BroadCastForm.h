#pragma once

#include "ui/SettingsListForm.h"

class ChatInfo;
class IMessageBoxService;

// "ルータ越え設定": the extra destinations that every broadcast is also sent to, to reach
// members behind routers. OK always saves the list ("castAddrList"), an empty one too,
// and hands it to the settings object.
//
// An added entry must be a dotted IPv4 address or a host name (IsCastAddress); anything
// else is refused with a box, because a comma or a blank would split or spoil the stored
// list. Entries already stored are shown as they are.
//
//     BroadCastForm form(session.Settings(), session.Services().MessageBoxes, this);
//     if (form.exec() == QDialog::Accepted)
//         ...   // saved: "castAddrList" in the file and ChatInfo::castAddresses agree
class BroadCastForm : public SettingsListForm
{
    Q_OBJECT
public:
    // Loads the settings file; `info` and `boxes` outlive the form.
    BroadCastForm(ChatInfo& info, IMessageBoxService& boxes, QWidget* parent = nullptr);

    // A dotted IPv4 address (four numbers 0-255), or a host name: labels of ASCII letters,
    // digits and '-' (not at either end of a label) joined by single dots. A text of
    // digits and dots only must be an address.
    static bool IsCastAddress(const QString& text);

    QLineEdit* txtIPAddress = nullptr;
    QListWidget* ListAddress = nullptr;

private:
    bool CanAdd(const QString& text) override;
    bool Store(const QString& joined) override;

    ChatInfo& m_info;
    IMessageBoxService& m_boxes;
};
