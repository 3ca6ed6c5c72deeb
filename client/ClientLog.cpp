#include "ClientLog.h"

Q_LOGGING_CATEGORY(lcClient, "palavo.client", QtInfoMsg)
