#pragma once

#include <QHash>

#include <cstdint>
#include <functional>
#include <vector>

// One sender's side of the soak, as its own wire showed it, in the order it happened
// there: each private message going out with its packet number, each receipt coming
// in with the packet number it acknowledges.
struct WireEvent {
    enum Kind { Sent, Receipt };
    Kind What = Sent;
    uint32_t PacketNo = 0;
    int Message = -1; // Sent: the soak's number of the message
};

// Which receipt ended each message's wait, as the program saw it: the first receipt it
// read while the message waited, whatever packet it acknowledges (any receipt ends the
// wait). A late receipt of an earlier message can so end a later message's wait, and a
// lost later message then rightly gets no notice. `noticed` tells which waits ended with
// the notice instead; receipts read during such a wait came after its time-out, so they
// ended nothing. A receipt that arrives just before a message goes out may still be read
// after it; when nothing later ends that wait, it is taken as its end.
// The result maps a message to the acknowledged packet number; messages whose wait no
// receipt ended are absent.
QHash<int, uint32_t> ReceiptEndingEachWait(const std::vector<WireEvent>& events,
                                           const std::function<bool(int)>& noticed);
