// Three things liblinphone 5.1 does by itself for any peer, before anything of ours is asked,
// replaced here: the library reaches the functions below through its own procedure
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
//
// Capabilities: the library answers an OPTIONS that belongs to no call with 200 by itself,
// telling any host that asks that a SIP client listens here and what it is. Nothing here
// asks a peer's capabilities (the cores never send OPTIONS, see LinphoneCore), so that
// answer becomes 403. It is the one 200 the library sends outside a transaction (its
// other such answers are refusals; the partner's OPTIONS inside a call is answered through
// the call's own transaction and keeps its 200), so the change is made where those answers
// leave: belle-sip's belle_sip_provider_send_response, whose own definition (the next one
// after the program's, RTLD_NEXT) then sends every answer, changed or not.
//
// Should a later liblinphone rename these, the link or rtc.LinphoneStranger.* fails.
// All three are checked in rtc.LinphoneStranger.*.

#include <belle-sip/belle-sip.h>

#include <cstring>
#include <dlfcn.h>

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

extern "C" __attribute__((visibility("default"))) void
belle_sip_provider_send_response(belle_sip_provider_t* provider, belle_sip_response_t* response)
{
    using Send = void (*)(belle_sip_provider_t*, belle_sip_response_t*);
    static const auto send =
        reinterpret_cast<Send>(dlsym(RTLD_NEXT, "belle_sip_provider_send_response"));
    const auto* cseq = belle_sip_message_get_header_by_type(response, belle_sip_header_cseq_t);
    if (belle_sip_response_get_status_code(response) == 200 && cseq &&
        std::strcmp(belle_sip_header_cseq_get_method(cseq), "OPTIONS") == 0) {
        belle_sip_response_set_status_code(response, 403);
        belle_sip_response_set_reason_phrase(response, "Forbidden");
    }
    // The program links belle-sip, so its definition is there; should it not be found,
    // the answer is dropped rather than the program ended.
    if (send != nullptr)
        send(provider, response);
}
