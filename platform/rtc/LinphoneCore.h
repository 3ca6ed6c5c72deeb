#pragma once

#include <QString>

#include <memory>

namespace linphone
{
class Core;
}

// Everything liblinphone needs to be told before a core can carry our calls, in one place:
// the factory, silence, a configuration without files on disk, our own plugin folder,
// SIP over TCP on a port of its choosing, media bound to this machine's LAN address, and
// sound files or devices.
namespace rtc
{

// How one core meets the machine. Empty strings leave the library's choice.
struct CoreSetup {
    // Address the media (RTP) sockets bind to and the SDP announces.
    QString BindAddress;
    // Files instead of a sound card: the WAV played into calls and the one their sound
    // is recorded to. Either set means files.
    QString PlayFile;
    QString RecordFile;
    // The media library's device ids picked by the user.
    QString Microphone;
    QString Speaker;
    QString Camera;
    // Offer the media library's synthetic test picture as a camera.
    bool TestCamera = false;
    // False for a core that only lists devices and plays sounds: it opens no SIP port.
    bool Sip = true;
    // The TCP port SIP listens on; 0 lets the system choose.
    int SipPort = 0;

    bool UseFiles() const { return !PlayFile.isEmpty() || !RecordFile.isEmpty(); }
};

// The configuration text the core starts from: in-memory databases, no SIP port of its
// own until the transports are set, the media bound to `bindAddress`.
QString CoreConfigText(const QString& bindAddress);

// Makes and starts a core; null with `*error` set when liblinphone refuses. The caller
// owns it and must call iterate() on the thread that made it.
std::shared_ptr<linphone::Core> MakeCore(const CoreSetup& setup, QString* error);

// Makes the devices of `setup` the core's own (the first real ones where the setup names
// none or one the core does not have).
void ChooseDevices(linphone::Core& core, const CoreSetup& setup);

// The SIP port the core listens on for TCP; 0 when it does not.
int SipTcpPort(linphone::Core& core);

// The folder the media library loads plugins from: one of our own beside the program, so
// that the distribution's plugins (built against another Qt) stay out of our process.
QString MediaPluginDir();

} // namespace rtc
