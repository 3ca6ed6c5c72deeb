#pragma once

#include "component/TransferViewFactory.h"

#include <functional>

// Views without a display. Each state a window shows is handed to the observer, when
// one is set; that is all a headless window does. What hosts without a display use.
class HeadlessTransferViews : public ITransferViewFactory
{
public:
    std::function<void(const FileSendState&)> OnSendState;
    std::function<void(const FileReceiveState&)> OnReceiveState;

    std::unique_ptr<IFileSendView> MakeSendView(FileSendWindow& window) override;
    std::unique_ptr<IFileReceiveView> MakeReceiveView(FileReceiveWindow& window) override;
};
