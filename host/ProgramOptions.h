#pragma once

#include <QString>
#include <QStringList>

// The program's command line: the usual --help and --version, and --home DIR for
// a settings directory of its own (tests and second copies).
struct ProgramOptions {
    enum Action { Run, ShowHelp, ShowVersion, Fail };
    Action What = Run;
    QString Home;  // empty: the usual place (PALAVO_HOME, else beside the program)
    QString Error; // set with Fail
    // Arguments left for Qt (-platform, -style, ...).
    QStringList QtArguments;
};

// `arguments` without the program name.
ProgramOptions ParseProgramOptions(const QStringList& arguments);
QString HelpText();
QString VersionText();
