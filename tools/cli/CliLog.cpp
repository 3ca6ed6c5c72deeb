#include "CliLog.h"

Q_LOGGING_CATEGORY(lcCli, "palavo.cli", QtInfoMsg)
