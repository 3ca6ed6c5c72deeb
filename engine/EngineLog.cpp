#include "EngineLog.h"

Q_LOGGING_CATEGORY(lcEngine, "palavo.engine", QtInfoMsg)
