#include "HostLog.h"

Q_LOGGING_CATEGORY(lcHost, "palavo.host", QtInfoMsg)
