#include "ComponentLog.h"

Q_LOGGING_CATEGORY(lcComponent, "palavo.component", QtInfoMsg)
