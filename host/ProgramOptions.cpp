#include "ProgramOptions.h"

ProgramOptions ParseProgramOptions(const QStringList& arguments)
{
    ProgramOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            options.What = ProgramOptions::ShowHelp;
            return options;
        }
        if (arg == QLatin1String("-v") || arg == QLatin1String("--version")) {
            options.What = ProgramOptions::ShowVersion;
            return options;
        }
        if (arg == QLatin1String("--home") || arg.startsWith(QLatin1String("--home="))) {
            QString value;
            if (arg.startsWith(QLatin1String("--home=")))
                value = arg.mid(7);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            if (value.isEmpty()) {
                options.What = ProgramOptions::Fail;
                options.Error = QStringLiteral("--home needs a directory");
                return options;
            }
            options.Home = value;
            continue;
        }
        if (arg.startsWith(QLatin1String("--"))) {
            options.What = ProgramOptions::Fail;
            options.Error = QStringLiteral("unknown option %1").arg(arg);
            return options;
        }
        // Single-dash options belong to Qt (-platform offscreen, -style fusion, ...).
        options.QtArguments << arg;
    }
    return options;
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: PalavoXP [--home DIR] [Qt options]\n"
        "Palavo XP: chat and presence on the local network, serverless.\n"
        "\n"
        "  --home DIR     directory of Palavo.ini and the logs (sets PALAVO_HOME);\n"
        "                 default: PALAVO_HOME, else beside the program when it may\n"
        "                 write there, else ~/.config/palavo\n"
        "  -h, --help     show this help and exit\n"
        "  -v, --version  show the version and exit\n"
        "\n"
        "Qt's own options work too, e.g. -platform offscreen.\n"
        "\n"
        "One copy runs per user and settings directory: starting it again brings the\n"
        "running copy's window to the front.\n");
}

QString VersionText()
{
    return QStringLiteral("PalavoXP " PALAVO_VERSION "\n");
}
