#pragma once

#include "platform/rtc/RtcClient.h"

#include <QWidget>

#include <memory>

namespace rtc
{

// The window that shows the partner's video: a top-level widget whose X11 window the
// media library draws into with OpenGL (its MSGLXVideo display). Qt paints nothing of its
// own there.
class LinphoneVideoWindow : public QWidget, public IVideoWindow
{
public:
    // Null with `*error` set where the library cannot draw into a Qt window: without a
    // widget application, or on a display other than X11.
    static std::unique_ptr<LinphoneVideoWindow> Make(QString* error);

    RtcStatus SetVisible(bool visible) override;
    // The native window to hand to the library.
    void* NativeId();

protected:
    QPaintEngine* paintEngine() const override { return nullptr; }

private:
    LinphoneVideoWindow();
};

} // namespace rtc
