#pragma once

#include <QLoggingCategory>

// Developer messages of component/, off unless asked for:
// QT_LOGGING_RULES="palavo.component.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcComponent)
