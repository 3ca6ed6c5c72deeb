#pragma once

#include "platform/rtc/RtcClient.h"

#include <QString>

#include <optional>

#include <sys/types.h>

namespace rtc
{

// The start-up probe of what calls this machine can carry, run in a process of its own:
// the media library, once started, keeps its plugins, codecs and device lists for the
// life of the process (tens of megabytes), and a program that never calls should not
// carry them. The child loads the call module, asks it (PalavoProbeMedia), writes the
// answer to a pipe and exits, taking all of it with it.
class MediaProbe
{
public:
    // Forks the child now. Call before the program starts any thread (before its
    // application object): the child runs on from a copy of this one.
    MediaProbe(const QString& modulePath, const QString& iniPath);
    ~MediaProbe();
    MediaProbe(const MediaProbe&) = delete;
    MediaProbe& operator=(const MediaProbe&) = delete;

    // The MediaType bits, waiting for the child at most `timeoutMs` the first time; the
    // same answer after that. A failure says why (the module did not load, no core
    // started, the child did not answer in time).
    RtcResult<int> Result(int timeoutMs = 20000);

private:
    pid_t m_child = -1;
    int m_pipe = -1;
    std::optional<RtcResult<int>> m_result;
};

} // namespace rtc
