#pragma once

#include <QString>

#include <cstdint>

// Every user setting of "Palavo.ini" at once: what LoadSettings fills and SaveSettings
// writes. A settings dialog keeps its own copy while it is open and saves it whole, so
// values it does not edit go back to the file unchanged.
struct SettingsRecord {
    QString aliase;
    int32_t port = 0;
    QString locationlist;
    QString grouplist;
    QString castAddrList;
    QString mailAddress;
    int32_t media = 0;
    bool hostlist = false;
    bool autoAnswer = false;
    bool autoEntry = false;
    bool displayRenew = false;
    bool dblClickVoip = false;
    // "閉じるときはトレイに格納する": closing the main window hides it in the tray.
    bool closeToTray = false;
    // Conversations are kept on disk ("会話の履歴を保存する").
    bool saveHistory = false;

    bool operator==(const SettingsRecord&) const = default;
};

// Bits of the media option.
enum MediaOptionBits : int32_t {
    MediaVoice = 1,
    MediaVideo = 2,
    MediaWhiteboard = 4,
};
