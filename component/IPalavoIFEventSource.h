#pragma once

class IPalavoIFEvents;

// The component's connection point: how a client hears the events of IPalavoIF. Every
// advised sink hears every event, in the order they were advised; a sink may unadvise
// itself (or another) while an event is being raised. The caller keeps ownership of the
// sink and unadvises it before it goes.
class IPalavoIFEventSource
{
public:
    virtual ~IPalavoIFEventSource() = default;
    // Returns the cookie that Unadvise takes; never 0.
    virtual int Advise(IPalavoIFEvents* sink) = 0;
    // False when no sink is advised under `cookie`.
    virtual bool Unadvise(int cookie) = 0;
};
