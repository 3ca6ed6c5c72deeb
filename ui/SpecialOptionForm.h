#pragma once

#include "client/SettingsRecord.h"
#include "platform/PlatformServices.h"

#include <QDialog>

#include <functional>

class ChatInfo;
class QCheckBox;
class QPushButton;

// "特別な設定": whether the refresh button is shown, whether a double click on a
// member starts a voice chat instead of messaging, and whether closing the main window
// hides it in the tray. Loads a whole settings record when
// made and saves it whole on OK; the refresh button follows at once. Where the program
// has an autostart entry to offer, "ログイン時に起動する" writes or removes it on OK.
class SpecialOptionForm : public QDialog
{
    Q_OBJECT
public:
    // `displayRenewButton` shows or hides the main control's refresh button; `services`
    // give the boxes and the autostart entry.
    SpecialOptionForm(ChatInfo& settings, const PlatformServices& services,
                      std::function<void(bool)> displayRenewButton, QWidget* parent = nullptr);

    QCheckBox* ChkRenew = nullptr;
    QCheckBox* ChkDblClick = nullptr;
    QCheckBox* ChkCloseToTray = nullptr;
    // Null without an autostart entry to offer.
    QCheckBox* ChkAutostart = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void cmdOK_Click();

    // Writes or removes the entry when the box changed; false (after a box) on failure.
    bool ApplyAutostart();

    ChatInfo& m_settings;
    PlatformServices m_services;
    std::function<void(bool)> m_displayRenewButton;
    SettingsRecord m_record;
};
