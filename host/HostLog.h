#pragma once

#include <QLoggingCategory>

// Developer messages of host/, off unless asked for:
// QT_LOGGING_RULES="palavo.host.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcHost)
