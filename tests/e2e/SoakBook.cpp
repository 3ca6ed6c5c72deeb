#include "SoakBook.h"

#include <optional>
#include <utility>

QHash<int, uint32_t> ReceiptEndingEachWait(const std::vector<WireEvent>& events,
                                           const std::function<bool(int)>& noticed)
{
    QHash<int, uint32_t> enders;
    int waiting = -1;              // a message whose wait a receipt will end
    std::optional<uint32_t> early; // read while nothing waited, just before it went out
    std::optional<uint32_t> idle;  // the last receipt that came while nothing waited
    const auto settle = [&] {
        if (waiting >= 0 && early)
            enders.insert(waiting, *early);
        waiting = -1;
    };
    for (const WireEvent& e : events) {
        if (e.What == WireEvent::Sent) {
            settle();
            early = std::exchange(idle, std::nullopt);
            if (!noticed(e.Message))
                waiting = e.Message;
        } else if (waiting >= 0) {
            enders.insert(waiting, e.PacketNo);
            waiting = -1;
        } else {
            idle = e.PacketNo;
        }
    }
    settle();
    return enders;
}
