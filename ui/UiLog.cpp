#include "UiLog.h"

Q_LOGGING_CATEGORY(lcUi, "palavo.ui", QtInfoMsg)
