#pragma once

#include "component/TransferViewFactory.h"
#include "platform/BeepService.h"
#include "platform/OpenFileDialogService.h"
#include "platform/SaveAsDialogService.h"

// The transfer windows on the desktop: dialogs for both windows, the save-as dialog and
// the beep. The program makes one once the QApplication exists and puts it into the
// PlatformServices it hands to the component (as TransferViews, Beeps, SaveAs and
// OpenFile). A received file is opened through the program's shell service.
class QtTransferUi : public ITransferViewFactory,
                     public IBeepService,
                     public ISaveAsDialogService,
                     public IOpenFileDialogService
{
public:
    std::unique_ptr<IFileSendView> MakeSendView(FileSendWindow& window) override;
    std::unique_ptr<IFileReceiveView> MakeReceiveView(FileReceiveWindow& window) override;
    // The desktop has one beep; frequency and length are the caller's wish only.
    void Beep(int frequency, int durationMs) override;
    std::optional<QString> AskSavePath(const SaveAsRequest& request) override;
    std::optional<QString> AskOpenPath(const OpenFileRequest& request) override;
};

// "Description|pattern|...||" as the save-as request gives it, in Qt's form. "*.*" means
// every file, also those without a dot in their name.
QString QtFileDialogFilter(const QString& filter);
