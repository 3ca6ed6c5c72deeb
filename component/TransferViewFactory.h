#pragma once

#include "component/FileReceiveView.h"
#include "component/FileSendView.h"

#include <memory>

class FileReceiveWindow;
class FileSendWindow;

// Decides which view a transfer window gets. The component stays free of widgets: the
// program installs a factory of dialogs, palavo-cli one that prints, and without any
// the views are headless.
class ITransferViewFactory
{
public:
    virtual ~ITransferViewFactory() = default;
    // The window outlives its view; the view may call the window's Press* members.
    virtual std::unique_ptr<IFileSendView> MakeSendView(FileSendWindow& window) = 0;
    virtual std::unique_ptr<IFileReceiveView> MakeReceiveView(FileReceiveWindow& window) = 0;
};

ITransferViewFactory& TransferViews();
// The caller keeps ownership; pass null to go back to headless views.
void SetTransferViewFactory(ITransferViewFactory* factory);
