#pragma once

#include "client/SettingsRecord.h"

#include <QDialog>

#include <array>

class ChatInfo;
class IMessageBoxService;
class QCheckBox;
class QLineEdit;
class QPushButton;

// "グループリスト設定": the user's own groups (five boxes) and the host-list switch. While
// the host list is in use only the first group travels to IP Messenger peers, so only the
// first box is enabled; the other boxes keep their texts and are saved all the same.
// OK refuses a group named "すべて" (the selector's entry for every member), also with
// blanks around it or among names a box separates with commas, and otherwise saves the
// record and hands groups and switch to the settings object.
//
//     GroupListForm form(session.Settings(), session.Services().MessageBoxes, this);
//     form.exec();      // then rebuild the group selector
class GroupListForm : public QDialog
{
    Q_OBJECT
public:
    static constexpr int GroupBoxes = 5;

    // Loads the settings file into the boxes; `info` and `boxes` outlive the form.
    GroupListForm(ChatInfo& info, IMessageBoxService& boxes, QWidget* parent = nullptr);

    std::array<QLineEdit*, GroupBoxes> txtGroup{};
    QCheckBox* ChkHostList = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* Command1 = nullptr;

private:
    // Only the first box is enabled while the host list is in use.
    void EnableBoxes();
    void cmdOK_Click();

    ChatInfo& m_info;
    IMessageBoxService& m_boxes;
    SettingsRecord m_record;
};
