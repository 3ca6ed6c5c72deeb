#include "CliServices.h"

#include "JsonLine.h"

namespace
{

const char* IconName(MessageBoxIcon icon)
{
    switch (icon) {
    case MessageBoxIcon::Information:
        return "information";
    case MessageBoxIcon::Warning:
        return "warning";
    case MessageBoxIcon::Error:
        return "error";
    case MessageBoxIcon::Question:
        return "question";
    case MessageBoxIcon::None:
        break;
    }
    return "none";
}

} // namespace

CliServices::CliServices(Output output) : m_output(output), m_transferUi(std::move(output)) {}

PlatformServices CliServices::Services()
{
    return {*this,        m_transferUi, m_transferUi, m_transferUi,
            m_transferUi, m_openFiles,  m_calls,      m_notifications};
}

MessageBoxAnswer CliServices::Show(QObject*, const MessageBoxRequest& request)
{
    const QByteArray box = JsonLine()
                               .Add("text", request.Text)
                               .Add("caption", request.Caption)
                               .Add("icon", QLatin1String(IconName(request.Icon)))
                               .Object();
    m_output(JsonLine().AddRaw("messageBox", box).Line());
    return DefaultAnswer(request.Buttons);
}
