// The entry points of the call module (palavo-calls.so); see CallLibrary.h.
#include "platform/rtc/CallLibrary.h"
#include "platform/rtc/LinphoneClients.h"

#include <QCoreApplication>

extern "C" Q_DECL_EXPORT rtc::ICallLibrary* PalavoCallLibrary(const QString& iniPath)
{
    return new rtc::LinphoneClients(iniPath);
}

extern "C" Q_DECL_EXPORT int PalavoProbeMedia(const QString& iniPath)
{
    // The probe runs in a process of its own, forked before the program made its
    // application object; the media library's folders are found from it.
    static int argc = 1;
    static char name[] = "PalavoXP";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance())
        app = std::make_unique<QCoreApplication>(argc, argv);
    return rtc::LinphoneClients(iniPath).ProbeMediaCapabilities();
}
