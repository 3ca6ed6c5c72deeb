#pragma once

#include "component/HeadlessTransferViews.h"
#include "platform/BeepService.h"
#include "platform/MessageBoxService.h"
#include "platform/NotificationService.h"
#include "platform/OpenFileDialogService.h"
#include "platform/PlatformServices.h"
#include "platform/SaveAsDialogService.h"
#include "platform/ShellService.h"
#include "platform/rtc/RtcClient.h"

// The desktop services of a host without a display, one of each, for tests, benches and
// headless programs: boxes are recorded and answered from a script (else with their
// default button), beeps are silent, save-as dialogs are cancelled, "open" only says so
// in the debug output, transfer windows are headless and there are no calls or
// notifications. The members are public so a test can script the boxes or watch the
// windows. Keep it alive for as long as anything made with its Services().
class HeadlessServices
{
public:
    PlatformServices Services();

    ScriptedMessageBoxService MessageBoxes;
    SilentBeeps Beeps;
    CancellingSaveAsDialogs SaveAs;
    HeadlessShell Shell;
    HeadlessTransferViews TransferViews;
    CancellingOpenFileDialogs OpenFile;
    rtc::NoCallClients Calls;
    NoNotifications Notifications;
};
