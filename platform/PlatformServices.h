#pragma once

// Every host picks a notification service; most pick NoNotifications.
#include "platform/NotificationService.h"

class IBeepService;
class IMessageBoxService;
class IOpenFileDialogService;
class ISaveAsDialogService;
class IShellService;
class ITrayService;
namespace rtc
{
class IClientFactory;
}
// Made by the component library (component/TransferViewFactory.h); the platform only
// carries it from the program to the component.
class ITransferViewFactory;
class XdgAutostart;

// The desktop services one program hands to the network component and to the chat
// session when it makes them: the program decides whether a box is a real dialog, a
// line on stdout or a recorded request. The program owns the services and keeps them
// alive for as long as anything it handed them to.
struct PlatformServices {
    IMessageBoxService& MessageBoxes;
    IBeepService& Beeps;
    ISaveAsDialogService& SaveAs;
    IShellService& Shell;
    ITransferViewFactory& TransferViews;
    IOpenFileDialogService& OpenFile;
    // The call clients of the voice-call managers.
    rtc::IClientFactory& Calls;
    // The desktop's notifications: a line behind other windows, a file offer, a call.
    INotificationService& Notifications;
    // The icon in the desktop's tray; null for hosts without one (palavo-cli, most tests).
    ITrayService* Tray = nullptr;
    // The login autostart entry; null where there is no desktop session to start in.
    XdgAutostart* Autostart = nullptr;
};
