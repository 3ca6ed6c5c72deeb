#pragma once

#include <QString>

// The component reads one value of the shared settings file, once, when it is made:
// "debug" in section "OPTION" of "Palavo.ini". Exactly 1 switches the traffic log on;
// any other value, a missing key or a missing file leaves it off. Nothing is written.
bool ReadDebugFlag(const QString& settingsDir);

// The same, in the settings directory of this process.
bool ReadDebugFlag();

// "fastTransfer" in section "OPTION", read the same way: exactly 1 lets the file-transfer
// workers move large blocks as fast as the link allows instead of the paced default.
bool ReadFastTransferFlag(const QString& settingsDir);
