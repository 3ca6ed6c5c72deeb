// Two things liblinphone 5.1 does by itself for any peer, before anything of ours is asked,
// replaced here: the library reaches both functions below through its own procedure
// linkage table, where the program's definitions take the library's place.
//
// Presence: the library answers the first presence SUBSCRIBE from an address it does not know
// with 200 by itself, before any callback of ours, and crashes doing so when the request
// has no Expires header (SalSubscribeOp::accept adds the request's Expires header to the
// answer without looking). So one small request from any host on the LAN that reaches
// the SIP port would end the program. Nothing here watches anyone's presence, so every presence
// subscription is declined instead.
//
// Transfers: a peer in a call that sends REFER would have the library place a new call,
// with this microphone, to any address the peer names. Calls here are only the ones the
// manager places or answers, so a REFER, though the library accepts it, has no effect.
// Should a later liblinphone rename these, the link or rtc.LinphoneStranger.* fails.
//
// Both are checked in rtc.LinphoneStranger.*.

enum SalReason : int;
struct _LinphoneCore;

namespace LinphonePrivate
{
// Only the exported members this file calls or replaces.
class SalSubscribeOp
{
public:
    int decline(SalReason reason);
};
class Address;
class CallSessionPrivate
{
public:
    void referred(const Address& referTo);
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

__attribute__((visibility("default"))) void
LinphonePrivate::CallSessionPrivate::referred(const Address&)
{
}
