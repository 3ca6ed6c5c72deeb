#pragma once

#include "client/SettingsRecord.h"

#include <QDialog>

#include <functional>

class ChatInfo;
class QCheckBox;
class QPushButton;

// "特別な設定": whether the refresh button is shown, whether a double click on a
// member starts a voice chat instead of messaging, and whether closing the main window
// hides it in the tray. Loads a whole settings record when
// made and saves it whole on OK; the refresh button follows at once.
class SpecialOptionForm : public QDialog
{
    Q_OBJECT
public:
    // `displayRenewButton` shows or hides the main control's refresh button.
    SpecialOptionForm(ChatInfo& settings, std::function<void(bool)> displayRenewButton,
                      QWidget* parent = nullptr);

    QCheckBox* ChkRenew = nullptr;
    QCheckBox* ChkDblClick = nullptr;
    QCheckBox* ChkCloseToTray = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void cmdOK_Click();

    ChatInfo& m_settings;
    std::function<void(bool)> m_displayRenewButton;
    SettingsRecord m_record;
};
