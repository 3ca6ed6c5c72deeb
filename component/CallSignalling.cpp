#include "CallSignalling.h"

namespace CallSignalling
{

namespace
{
QByteArray CommandText(QByteArrayView command)
{
    return XmlElement("Command", command);
}

int32_t LeadingDigits(QByteArrayView text)
{
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX)
            return INT32_MAX;
    }
    return static_cast<int32_t>(value);
}
} // namespace

QByteArray RequestText(int32_t myPortNo, bool video, bool capT120)
{
    return CommandText("RequestVoIP") + XmlElement("PortNo", myPortNo) +
           XmlElement("Video", video ? "ON" : "OFF") +
           XmlElement("capT120", capT120 ? "ENABLE" : "DISABLE");
}

QByteArray RejectText()
{
    return CommandText("RejectVoIP");
}

QByteArray StopRequestText()
{
    return CommandText("StopReqVoIP");
}

Request ReadRequest(const XmlElementList& elements)
{
    Request request;
    request.PortNo = LeadingDigits(elements.Value("PortNo"));
    request.Video = EqualsIgnoringAsciiCase(elements.Value("Video"), "ON");
    request.CapT120 = EqualsIgnoringAsciiCase(elements.Value("capT120"), "ENABLE");
    return request;
}

} // namespace CallSignalling
