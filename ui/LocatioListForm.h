#pragma once

#include "ui/SettingsListForm.h"

class ChatInfo;
class IMessageBoxService;

// "メモ･居場所リストの設定": the memo/whereabouts texts that the memo dialog offers.
// OK with at least one entry saves the list ("locationlist") and hands it to the
// settings object; OK on an empty list does nothing and the dialog stays open, so the
// memo dialog is never left with nothing to offer.
//
// An entry with a comma is refused with a box: in the stored list it would become two
// entries, or leave an empty field that ends the list for the memo dialog.
class LocatioListForm : public SettingsListForm
{
    Q_OBJECT
public:
    // Loads the settings file; `info` and `boxes` outlive the form.
    LocatioListForm(ChatInfo& info, IMessageBoxService& boxes, QWidget* parent = nullptr);

    QLineEdit* txtLocation = nullptr;
    QListWidget* ListLocation = nullptr;

private:
    bool CanAdd(const QString& text) override;
    bool Store(const QString& joined) override;

    ChatInfo& m_info;
    IMessageBoxService& m_boxes;
};
