#pragma once

#include "platform/rtc/AudioDevices.h"
#include "platform/rtc/RtcClient.h"

#include <memory>

// The call client lives in a module of its own ("palavo-calls.so", over liblinphone) that
// the program loads only once a call, the device picker or a tone needs it: the media
// library brings some 150 shared libraries and their state, which an idle program should
// not carry. This is what the module hands out; nothing here names liblinphone.
namespace rtc
{

class ICallLibrary : public IDeviceCatalog, public ITonePlayer
{
public:
    // A client whose SIP transport will listen on `sipPort` (0: a port of the system's
    // choosing), with the device choice as it is saved now.
    virtual std::unique_ptr<IClient> CreateClient(int sipPort) = 0;
};

// The module's entry points, looked up by these names.
//   ICallLibrary* PalavoCallLibrary(const QString& iniPath)  new; the caller owns it
//   int PalavoProbeMedia(const QString& iniPath)  the MediaType bits a call client on
//       this machine would report, from a core made and stopped for the purpose; -1 when
//       no core starts. Needs no application object: it makes one when there is none.
using CallLibraryEntry = ICallLibrary* (*)(const QString& iniPath);
using ProbeMediaEntry = int (*)(const QString& iniPath);
inline constexpr const char* CallLibrarySymbol = "PalavoCallLibrary";
inline constexpr const char* ProbeMediaSymbol = "PalavoProbeMedia";
inline constexpr const char* CallModuleName = "palavo-calls.so";

} // namespace rtc
