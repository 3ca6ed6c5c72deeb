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
    // widget application, on a display other than X11, or without OpenGL ES 2.
    static std::unique_ptr<LinphoneVideoWindow> Make(QString* error);
    // The name the media library loads OpenGL ES 2 by: the unversioned one, which only
    // the development package installs.
    static constexpr const char* GlesLibrary = "libGLESv2.so";

    RtcStatus SetVisible(bool visible) override;
    // The native window to hand to the library.
    void* NativeId();

protected:
    QPaintEngine* paintEngine() const override { return nullptr; }

private:
    LinphoneVideoWindow();
};

} // namespace rtc
