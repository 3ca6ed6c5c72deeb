#pragma once

#include "ui/SettingsListForm.h"

class ChatInfo;

// "メモ･居場所リストの設定": the memo/whereabouts texts that the memo dialog offers.
// OK with at least one entry saves the list ("locationlist") and hands it to the
// settings object; OK on an empty list does nothing and the dialog stays open, so the
// memo dialog is never left with nothing to offer.
class LocatioListForm : public SettingsListForm
{
    Q_OBJECT
public:
    // Loads the settings file; `info` outlives the form.
    explicit LocatioListForm(ChatInfo& info, QWidget* parent = nullptr);

    QLineEdit* txtLocation = nullptr;
    QListWidget* ListLocation = nullptr;

private:
    bool Store(const QString& joined) override;

    ChatInfo& m_info;
};
