#pragma once

#include "engine/XmlElementList.h"

#include <QByteArray>

#include <cstdint>

// The XML commands by which two copies of this system agree on a call before the
// call client places it. The component only carries them: no call state is kept.
namespace CallSignalling
{

// "<Command>RequestVoIP</Command><PortNo>n</PortNo><Video>ON|OFF</Video>"
// "<capT120>ENABLE|DISABLE</capT120>"
QByteArray RequestText(int32_t myPortNo, bool video, bool capT120);
QByteArray RejectText();      // "<Command>RejectVoIP</Command>"
QByteArray StopRequestText(); // "<Command>StopReqVoIP</Command>"

struct Request {
    int32_t PortNo = 0;   // leading digits of the element; 0 when missing
    bool Video = false;   // "ON" in any case
    bool CapT120 = false; // "ENABLE" in any case
};
Request ReadRequest(const XmlElementList& elements);

} // namespace CallSignalling
