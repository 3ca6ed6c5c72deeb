#include "CliTransferUi.h"

#include "JsonLine.h"
#include "component/FileReceiveWindow.h"
#include "component/FileSendWindow.h"

#include <QJsonValue>

namespace
{

QByteArray ProgressJson(int maximum, int value)
{
    return JsonLine().Add("min", 0).Add("max", maximum).Add("value", value).Object();
}

QByteArray WindowLine(const char* window, const QByteArray& state)
{
    return JsonLine().Add("window", QLatin1String(window)).AddRaw("state", state).Line();
}

// A window's view: prints each state the window shows, and marks the window as the open
// one of its kind for as long as the window lives.
template <typename Interface, typename Window, typename State> class CliView : public Interface
{
public:
    CliView(Window*& current, Window& window, std::function<void(const State&)> print)
        : m_current(current), m_window(window), m_print(std::move(print))
    {
        m_current = &m_window;
    }
    ~CliView() override
    {
        if (m_current == &m_window)
            m_current = nullptr;
    }
    void Render(const State& state) override { m_print(state); }

private:
    Window*& m_current;
    Window& m_window;
    std::function<void(const State&)> m_print;
};

} // namespace

QByteArray SendStateJson(const FileSendState& s)
{
    return JsonLine()
        .Add("visible", s.Visible)
        .Add("caption", s.Caption)
        .Add("stateText", s.StateText)
        .Add("progressText", s.ProgressText)
        .AddRaw("progress", ProgressJson(s.ProgressMaximum, s.ProgressValue))
        .AddRaw("buttons", JsonLine().Add(StopButtonText, s.StopEnabled).Object())
        .Object();
}

QByteArray ReceiveStateJson(const FileReceiveState& s)
{
    // Buttons in their order on the window, left to right.
    const QByteArray buttons = JsonLine()
                                   .Add(OpenButtonText, s.OpenEnabled)
                                   .Add(SaveButtonText, s.SaveEnabled)
                                   .Add(RejectButtonText, s.RejectEnabled)
                                   .Add(CloseButtonText, s.CloseEnabled)
                                   .Object();
    return JsonLine()
        .Add("visible", s.Visible)
        .Add("caption", s.Caption)
        .Add("headline", s.Headline)
        .Add("commentLabel", s.CommentLabel)
        .Add("comment", s.Comment)
        .Add("progressText", s.ProgressText)
        .AddRaw("progress", ProgressJson(s.ProgressMaximum, s.ProgressValue))
        .AddRaw("buttons", buttons)
        .Object();
}

CliTransferUi::CliTransferUi(Output output) : m_output(std::move(output)) {}

std::unique_ptr<IFileSendView> CliTransferUi::MakeSendView(FileSendWindow& window)
{
    return std::make_unique<CliView<IFileSendView, FileSendWindow, FileSendState>>(
        m_sendWindow, window, [this](const FileSendState& state) {
            m_output(WindowLine("FileSendWindow", SendStateJson(state)));
        });
}

std::unique_ptr<IFileReceiveView> CliTransferUi::MakeReceiveView(FileReceiveWindow& window)
{
    return std::make_unique<CliView<IFileReceiveView, FileReceiveWindow, FileReceiveState>>(
        m_receiveWindow, window, [this](const FileReceiveState& state) {
            m_output(WindowLine("FileReceiveWindow", ReceiveStateJson(state)));
        });
}

QString CliTransferUi::Press(const QString& window, const QString& button,
                             const std::optional<QString>& savePath)
{
    if (window == QLatin1String("FileSendWindow")) {
        FileSendWindow* send = m_sendWindow;
        if (send == nullptr || !send->State().Visible)
            return QStringLiteral("no FileSendWindow is open");
        if (button != StopButtonText)
            return QStringLiteral("FileSendWindow has no button '%1'").arg(button);
        if (!send->State().StopEnabled)
            return QStringLiteral("button '%1' is disabled").arg(button);
        send->PressStop();
        return {};
    }
    if (window != QLatin1String("FileReceiveWindow"))
        return QStringLiteral("unknown window '%1' (FileSendWindow or FileReceiveWindow)")
            .arg(window);
    FileReceiveWindow* receive = m_receiveWindow;
    if (receive == nullptr || !receive->State().Visible)
        return QStringLiteral("no FileReceiveWindow is open");
    const FileReceiveState& state = receive->State();
    struct Button {
        const QString& Text;
        bool Enabled;
        void (FileReceiveWindow::*Press)();
    };
    const Button buttons[] = {
        {OpenButtonText, state.OpenEnabled, &FileReceiveWindow::PressOpen},
        {SaveButtonText, state.SaveEnabled, &FileReceiveWindow::PressSave},
        {RejectButtonText, state.RejectEnabled, &FileReceiveWindow::PressReject},
        {CloseButtonText, state.CloseEnabled, &FileReceiveWindow::PressClose},
    };
    for (const Button& b : buttons) {
        if (b.Text != button)
            continue;
        if (!b.Enabled)
            return QStringLiteral("button '%1' is disabled").arg(button);
        m_saveAnswer = savePath;
        (receive->*b.Press)();
        m_saveAnswer.reset();
        return {};
    }
    return QStringLiteral("FileReceiveWindow has no button '%1'").arg(button);
}

std::optional<QString> CliTransferUi::AskSavePath(const SaveAsRequest& request)
{
    const std::optional<QString> answer = std::exchange(m_saveAnswer, std::nullopt);
    const QJsonValue path = answer ? QJsonValue(*answer) : QJsonValue(QJsonValue::Null);
    m_output(JsonLine()
                 .AddRaw("saveAs",
                         JsonLine().Add("fileName", request.FileName).Add("path", path).Object())
                 .Line());
    return answer;
}

void CliTransferUi::Beep(int frequency, int durationMs)
{
    m_output(
        JsonLine()
            .AddRaw("beep",
                    JsonLine().Add("frequency", frequency).Add("duration", durationMs).Object())
            .Line());
}

void CliTransferUi::Open(const QString& target)
{
    m_output(JsonLine().AddRaw("shellOpen", JsonLine().Add("path", target).Object()).Line());
}
