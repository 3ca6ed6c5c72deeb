#pragma once

#include <QLoggingCategory>

// Developer messages of ui/, off unless asked for:
// QT_LOGGING_RULES="palavo.ui.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcUi)
