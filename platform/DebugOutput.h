#pragma once

#include <QByteArrayView>
#include <QLoggingCategory>
#include <QStringView>

// The platform's debug output: visible to a developer who asks for it
// (QT_LOGGING_RULES="palavo.debug.debug=true": the last part of a rule names the
// message type, so "palavo.debug=true" would name a category "palavo"), silent otherwise.
Q_DECLARE_LOGGING_CATEGORY(lcDebugOutput)

void DebugOutput(QStringView text);
// Bytes in code page 932, as they travel on the wire.
void DebugOutputCp932(QByteArrayView bytes);
