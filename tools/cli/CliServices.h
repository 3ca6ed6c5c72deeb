#pragma once

#include "CliTransferUi.h"
#include "platform/MessageBoxService.h"
#include "platform/NotificationService.h"
#include "platform/OpenFileDialogService.h"
#include "platform/PlatformServices.h"
#include "platform/rtc/RtcClient.h"

#include <QByteArray>

#include <functional>

// Everything palavo-cli's component shows, as lines: each message box (answered at once
// with its default button), the transfer windows, beeps, save-as dialogs and "open".
// Made before the component, which is given Services(), and kept until it has gone.
//
//   {"messageBox":{"text":"...","caption":"お知らせ","icon":"information"}}
class CliServices : public IMessageBoxService
{
public:
    using Output = std::function<void(const QByteArray& line)>; // each line ends in '\n'

    explicit CliServices(Output output);

    PlatformServices Services();
    CliTransferUi& TransferUi() { return m_transferUi; }

    // Writes the box as a line and presses its default button at once.
    MessageBoxAnswer Show(QObject* owner, const MessageBoxRequest& request) override;

private:
    Output m_output;
    CliTransferUi m_transferUi;
    // palavo-cli sends a file by its path; it never asks for one.
    CancellingOpenFileDialogs m_openFiles;
    rtc::NoCallClients m_calls; // the component alone makes no calls
    NoNotifications m_notifications; // its lines already tell of every offer
};
