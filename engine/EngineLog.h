#pragma once

#include <QLoggingCategory>

// Developer messages of engine/, off unless asked for:
// QT_LOGGING_RULES="palavo.engine.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
