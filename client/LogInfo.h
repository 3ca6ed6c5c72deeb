#pragma once

#include <QString>

#include <cstdint>

// One line of a conversation.
struct LogInfo {
    // The whole display line.
    QString str;
    // LogLocal (written by the local user, or sent on their behalf) or LogReceived.
    int16_t state = 0;
    QString time;
};

enum LogState : int16_t {
    LogLocal = 1,
    LogReceived = 2,
};
