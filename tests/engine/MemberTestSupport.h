#pragma once

#include "EngineHarness.h"

#include <QStringList>

// Readable views of what an engine under test sent and holds, for the member tests.

// Every sent datagram as "host:port bytes", each NUL shown as '|'.
QStringList RawSent(const EngineHarness& h);

// Every sent datagram as "host:port 0xcommand extra", and "|groups" with a group part.
QStringList Sent(const EngineHarness& h);

// The addresses of the member table, in its order.
QStringList Order(const EngineHarness& h);

// Runs what the handlers queued to the engine window (entries made from a host list).
void Drain(EngineHarness& h);

// Forgets what was sent and raised so far.
void Forget(EngineHarness& h);
