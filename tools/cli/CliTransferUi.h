#pragma once

#include "component/HeadlessTransferViews.h"
#include "platform/BeepService.h"
#include "platform/SaveAsDialogService.h"
#include "platform/ShellService.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class PalavoIF;

// The component's transfer windows without a display, as palavo-cli shows them: every
// state a window shows, every beep, save-as dialog and "open" becomes a JSON line, and
// the buttons are pressed by their texts.
//
//   {"window":"FileReceiveWindow","state":{"visible":true,...,"buttons":{...}}}
//   {"beep":{"frequency":1000,"duration":200}}
//   {"saveAs":{"fileName":"a.txt","path":"/tmp/a.txt"}}     path null when cancelled
//   {"shellOpen":{"path":"/tmp/a.txt"}}
class CliTransferUi : public ISaveAsDialogService, public IBeepService, public IShellService
{
public:
    using Output = std::function<void(const QByteArray& line)>;

    // Installs itself for the process; the component must outlive it.
    CliTransferUi(PalavoIF& component, Output output);
    ~CliTransferUi() override;

    // Presses `button` (its text) of the open window named `window`. For "受信・保存"
    // `savePath` answers the save-as dialog; without it the dialog is cancelled.
    // Empty on success, else why nothing was pressed.
    QString Press(const QString& window, const QString& button,
                  const std::optional<QString>& savePath);

    std::optional<QString> AskSavePath(const SaveAsRequest& request) override;
    void Beep(int frequency, int durationMs) override;
    void Open(const QString& target) override;

private:
    PalavoIF& m_component;
    Output m_output;
    HeadlessTransferViews m_views;
    std::optional<QString> m_saveAnswer;
};

// The window states as JSON objects (one line's "state").
QByteArray SendStateJson(const FileSendState& state);
QByteArray ReceiveStateJson(const FileReceiveState& state);
