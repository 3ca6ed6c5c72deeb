#pragma once

// What a program asks of the component when it ends. Every open transfer window stops as
// its own button would: a send window as "転送中止" (the receiver is told), a receive
// window still receiving as "受信拒否" (the sender is told); then each closes and goes,
// its worker ended. Call it before leaving the network, or the commands cannot go out.
//
// The component object implements it beside IPalavoIF; a host that holds the IPalavoIF
// asks for it with a dynamic_cast, as it would query another interface of the object.
class IStopTransfers
{
public:
    virtual ~IStopTransfers() = default;
    virtual void StopAllTransfers() = 0;
};
