#pragma once

#include "engine/ProtocolEngine.h"

#include <QString>
#include <QStringList>

#include <optional>

// The command line of palavo-cli.
struct CliOptions {
    QString Home;                       // --home: directory of Palavo.ini and the logs
    std::optional<EngineTiming> Timing; // --timing: a test aid, shortened waits
};

// Parses the arguments (without the program name). On a mistake returns nothing and
// sets `error`; `--help` sets `help` instead.
std::optional<CliOptions> ParseCliOptions(const QStringList& args, QString* error, bool* help);

// "receipt=MS,xml=MS,drop=MS", any of the three, in any order; the others keep the
// product's values.
std::optional<EngineTiming> ParseTiming(const QString& text, QString* error);

// What --help prints.
QString CliUsage();
