#pragma once

#include "component/FileReceiveView.h"
#include "component/FileSendView.h"

#include <memory>

class FileReceiveWindow;
class FileSendWindow;

// Decides which view a transfer window gets. The component stays free of widgets: the
// program hands in a factory of dialogs (ui/transfer/QtTransferUi), palavo-cli one that
// prints, tests and hosts without a display HeadlessTransferViews.
class ITransferViewFactory
{
public:
    virtual ~ITransferViewFactory() = default;
    // The window outlives its view; the view may call the window's Press* members.
    virtual std::unique_ptr<IFileSendView> MakeSendView(FileSendWindow& window) = 0;
    virtual std::unique_ptr<IFileReceiveView> MakeReceiveView(FileReceiveWindow& window) = 0;
};
