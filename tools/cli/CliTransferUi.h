#pragma once

#include "component/TransferViewFactory.h"
#include "platform/BeepService.h"
#include "platform/SaveAsDialogService.h"
#include "platform/ShellService.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class FileReceiveWindow;
class FileSendWindow;

// The component's transfer windows without a display, as palavo-cli shows them: every
// state a window shows, every beep, save-as dialog and "open" becomes a JSON line, and
// the buttons are pressed by their texts. It is the views of the windows, so it knows
// which window is open without asking the component.
//
//   {"window":"FileReceiveWindow","state":{"visible":true,...,"buttons":{...}}}
//   {"beep":{"frequency":1000,"duration":200}}
//   {"saveAs":{"fileName":"a.txt","path":"/tmp/a.txt"}}     path null when cancelled
//   {"shellOpen":{"path":"/tmp/a.txt"}}
class CliTransferUi : public ITransferViewFactory,
                      public ISaveAsDialogService,
                      public IBeepService,
                      public IShellService
{
public:
    using Output = std::function<void(const QByteArray& line)>;

    // Hand it to the component as its transfer views, beeps, save-as dialogs and shell;
    // it must outlive the component.
    explicit CliTransferUi(Output output);

    // Presses `button` (its text) of the open window named `window`. For "受信・保存"
    // `savePath` answers the save-as dialog; without it the dialog is cancelled.
    // Empty on success, else why nothing was pressed.
    QString Press(const QString& window, const QString& button,
                  const std::optional<QString>& savePath);

    std::unique_ptr<IFileSendView> MakeSendView(FileSendWindow& window) override;
    std::unique_ptr<IFileReceiveView> MakeReceiveView(FileReceiveWindow& window) override;
    std::optional<QString> AskSavePath(const SaveAsRequest& request) override;
    void Beep(int frequency, int durationMs) override;
    void Open(const QString& target) override;

private:
    Output m_output;
    // The windows whose views are alive: a window's view goes with the window.
    FileSendWindow* m_sendWindow = nullptr;
    FileReceiveWindow* m_receiveWindow = nullptr;
    std::optional<QString> m_saveAnswer;
};

// The window states as JSON objects (one line's "state").
QByteArray SendStateJson(const FileSendState& state);
QByteArray ReceiveStateJson(const FileReceiveState& state);
