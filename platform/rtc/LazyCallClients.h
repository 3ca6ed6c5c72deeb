#pragma once

#include "platform/rtc/AudioDevices.h"
#include "platform/rtc/CallLibrary.h"
#include "platform/rtc/MediaProbe.h"
#include "platform/rtc/RtcClient.h"

#include <QLibrary>
#include <QString>

#include <memory>

namespace rtc
{

// The program's call clients, device catalogue and tone player, with the call module
// (palavo-calls.so, over liblinphone) loaded only when one of them is first really used:
// a call placed or offered, the device picker, a tone. Until then the program carries
// none of the media library. Clients are DeferredRtcClients; what they report before
// the module is loaded comes from a MediaProbe run in a process of its own.
//
//     rtc::LazyCallClients calls(iniPath);   // before QApplication: forks the probe
//     QApplication app(argc, argv);
class LazyCallClients : public IClientFactory, public IDeviceCatalog, public ITonePlayer
{
public:
    // `iniPath`: the settings file with the device choice, as LinphoneClients takes it.
    // Starts the media probe now (see MediaProbe for when that may be called).
    explicit LazyCallClients(QString iniPath, QString modulePath = ModulePath());
    ~LazyCallClients() override;

    std::unique_ptr<IClient> CreateClient() override;

    std::vector<MediaDevice> Microphones() override;
    std::vector<MediaDevice> Speakers() override;
    std::vector<MediaDevice> Cameras() override;
    bool PlayTone(int frequency, int durationMs, const QString& speakerId) override;

    // Whether the call module is in this process yet.
    bool Loaded() const { return m_library != nullptr; }

    // Where the module is: beside the program, in the build tree as installed.
    static QString ModulePath();

private:
    RtcResult<ICallLibrary*> Library();

    QString m_iniPath;
    QString m_modulePath;
    MediaProbe m_probe;
    QLibrary m_module;
    std::unique_ptr<ICallLibrary> m_library;
    QString m_loadError;
};

} // namespace rtc
