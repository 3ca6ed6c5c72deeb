#include "CliOptions.h"

std::optional<EngineTiming> ParseTiming(const QString& text, QString* error)
{
    EngineTiming timing;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0).trimmed();
        bool ok = false;
        const int ms = item.section(QLatin1Char('='), 1).trimmed().toInt(&ok);
        int* field = key == QLatin1String("receipt") ? &timing.ReceiptTimeoutMs
                     : key == QLatin1String("xml")   ? &timing.XmlResendMs
                     : key == QLatin1String("drop")  ? &timing.DropWaitMs
                                                     : nullptr;
        if (field == nullptr || !ok || ms < 0 || !item.contains(QLatin1Char('='))) {
            *error =
                QStringLiteral("--timing: '%1' is not receipt=MS, xml=MS or drop=MS").arg(item);
            return std::nullopt;
        }
        *field = ms;
    }
    return timing;
}

std::optional<CliOptions> ParseCliOptions(const QStringList& args, QString* error, bool* help)
{
    CliOptions options;
    *help = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            *help = true;
            return std::nullopt;
        }
        const bool takesValue = arg == QLatin1String("--home") || arg == QLatin1String("--timing");
        if (!takesValue) {
            *error = QStringLiteral("unknown argument '%1' (see --help)").arg(arg);
            return std::nullopt;
        }
        if (i + 1 == args.size()) {
            *error = QStringLiteral("%1 needs a value").arg(arg);
            return std::nullopt;
        }
        const QString& value = args[++i];
        if (arg == QLatin1String("--home")) {
            options.Home = value;
        } else {
            options.Timing = ParseTiming(value, error);
            if (!options.Timing)
                return std::nullopt;
        }
    }
    return options;
}

QString CliUsage()
{
    return QStringLiteral(
        "Usage: palavo-cli [--home DIR] [--timing receipt=MS,xml=MS,drop=MS]\n"
        "\n"
        "Drives the Palavo network component with JSON lines on stdin and writes its\n"
        "answers, events and message boxes as JSON lines on stdout (UTF-8):\n"
        "  {\"id\":1,\"set\":\"MyAliase\",\"value\":\"taro\"}      -> {\"id\":1,\"ok\":true}\n"
        "  {\"id\":2,\"get\":\"MyHostName\"}                   -> "
        "{\"id\":2,\"ok\":true,\"value\":...}\n"
        "  {\"id\":3,\"call\":\"Entry\",\"args\":[1,\"\"]}         -> {\"id\":3,\"ok\":true}\n"
        "  events:        {\"event\":\"MemberAdded\",\"args\":[...]}\n"
        "  message boxes: {\"messageBox\":{\"text\":...,\"caption\":...,\"icon\":...}},\n"
        "                 answered at once with their default button\n"
        "  transfer windows, whenever one is shown, changes or closes:\n"
        "                 {\"window\":\"FileReceiveWindow\",\"state\":{...}}\n"
        "  beeps:         {\"beep\":{\"frequency\":1000,\"duration\":200}}\n"
        "  buttons:       {\"id\":4,\"press\":\"FileReceiveWindow\",\"button\":\"...\",\n"
        "                  \"savePath\":\"/tmp/file\"}  (without savePath the save-as\n"
        "                 dialog counts as cancelled)\n"
        "End of input, SIGINT or SIGTERM leave the network (Drop) when entered, then exit.\n"
        "\n"
        "Options:\n"
        "  --home DIR       directory of Palavo.ini and the logs (sets PALAVO_HOME)\n"
        "  --timing WAITS   test aid only: shorter waits for the receipt of a private\n"
        "                   message (receipt), the resend of an XML command (xml) and\n"
        "                   the exit broadcast (drop), in milliseconds; the product's\n"
        "                   are receipt=3000,xml=2000,drop=1000\n"
        "  -h, --help       this text\n");
}
