#include "platform/rtc/LinphoneVideoWindow.h"

#include <QApplication>
#include <QGuiApplication>

#include <dlfcn.h>

namespace rtc
{

std::unique_ptr<LinphoneVideoWindow> LinphoneVideoWindow::Make(QString* error)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        *error = QStringLiteral("Video needs the program's windows (no widget application).");
        return nullptr;
    }
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        *error = QStringLiteral("Video is drawn on X11 only; this display is \"%1\" "
                                "(start the program with QT_QPA_PLATFORM=xcb).")
                     .arg(QGuiApplication::platformName());
        return nullptr;
    }
    // The media library's display opens OpenGL ES 2 by this name when the first picture
    // comes; without it the window would stay black as if the partner sent nothing.
    void* gles = dlopen(GlesLibrary, RTLD_LAZY | RTLD_LOCAL);
    if (gles == nullptr) {
        *error = QStringLiteral("The video display cannot start: %1 cannot be loaded "
                                "(Debian package libgles-dev).")
                     .arg(QLatin1String(GlesLibrary));
        return nullptr;
    }
    dlclose(gles);
    return std::unique_ptr<LinphoneVideoWindow>(new LinphoneVideoWindow());
}

LinphoneVideoWindow::LinphoneVideoWindow() : QWidget(nullptr)
{
    // The library draws straight into the native window; Qt must neither paint over it
    // nor share it with a parent.
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("Palavo XP"));
    resize(640, 480);
}

RtcStatus LinphoneVideoWindow::SetVisible(bool visible)
{
    setVisible(visible);
    return RtcStatus::Ok();
}

void* LinphoneVideoWindow::NativeId()
{
    return reinterpret_cast<void*>(winId());
}

} // namespace rtc
