#pragma once

#include "platform/MessageBoxService.h"
#include "platform/WindowMessage.h"

// Window messages of a file transfer. The transfer socket notifies its window under
// WM_TCP_NOTIFY (WM_USER+202, engine/Commands.h); the rest are these.
enum : int {
    WM_TRANSFER_PROGRESS = WM_USER + 401,   // worker -> window: wParam bytes done, lParam total
    WM_RELEASE_SEND_WINDOW = WM_USER + 402, // send window -> component: release it, then the socket
    WM_RELEASE_RECEIVE_WINDOW = WM_USER + 403, // receive window -> component
    WM_RECEIVE_DONE = WM_USER + 404,           // receive worker -> window: all bytes written
    WM_SEND_DONE = WM_USER + 405,              // send worker -> window: all bytes sent
    WM_WORKER_BOX = WM_USER + 406,             // worker -> window: show this box for me
};

// A worker never shows a box itself (boxes belong to the window's thread); it hands the
// box to its window and ends.
class WorkerBoxMessage : public WindowMessage
{
public:
    explicit WorkerBoxMessage(MessageBoxRequest box)
        : WindowMessage(WM_WORKER_BOX), Box(std::move(box))
    {
    }

    MessageBoxRequest Box;
};
