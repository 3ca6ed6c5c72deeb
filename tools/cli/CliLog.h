#pragma once

#include <QLoggingCategory>

// Developer messages of palavo-cli, off unless asked for:
// QT_LOGGING_RULES="palavo.cli.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCli)
