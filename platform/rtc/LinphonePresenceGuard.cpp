// liblinphone 5.1 answers the first presence SUBSCRIBE from an address it does not know
// with 200 by itself, before any callback of ours, and crashes doing so when the request
// has no Expires header (SalSubscribeOp::accept adds the request's Expires header to the
// answer without looking). So one datagram-sized request from any host on the LAN would
// end the program. Nothing here watches anyone's presence, so every presence
// subscription is declined instead: the library reaches the function below through its
// own procedure linkage table, where the program's definition takes the library's place.
// The check that a presence SUBSCRIBE gets 603 is rtc.LinphoneStranger.*.

enum SalReason : int;
struct _LinphoneCore;

namespace LinphonePrivate
{
// Only the exported member this file calls.
class SalSubscribeOp
{
public:
    int decline(SalReason reason);
};
} // namespace LinphonePrivate

namespace
{
// The library's SalReasonDeclined (answered 603), second in its list after "none".
const auto SalReasonDeclined = static_cast<SalReason>(1);
} // namespace

extern "C" __attribute__((visibility("default"))) void
linphone_subscription_new(_LinphoneCore*, LinphonePrivate::SalSubscribeOp* op, const char*)
{
    // As the library does for a subscriber it has refused once.
    op->decline(SalReasonDeclined);
}
