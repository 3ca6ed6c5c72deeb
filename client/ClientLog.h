#pragma once

#include <QLoggingCategory>

// Developer messages of client/, off unless asked for:
// QT_LOGGING_RULES="palavo.client.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcClient)
