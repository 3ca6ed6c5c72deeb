#pragma once

// How the transfer workers move bytes. The default paces the sender to one 4096-byte
// chunk every 30 ms and has the receiver poll every 20 ms, about 136 kB/s at most.
// Fast transfer moves large blocks as fast as the link allows; the byte stream is the
// same, so either side works with a peer in the other mode.
struct TransferSettings {
    bool FastTransfer = false;
    // Off only in tests that drive a window's job by hand: the window fills its job but
    // starts no worker thread.
    bool StartWorkers = true;
};

// The pacing of both workers.
namespace TransferPacing
{
inline constexpr int ChunkBytes = 4096;
inline constexpr int SendPassMs = 30;
inline constexpr int ReceivePollMs = 20;
inline constexpr int FastBlockBytes = 256 * 1024;
inline constexpr int FastProgressMs = 50; // at most about 20 progress reports a second
inline constexpr int FastWaitMs = 50;     // longest wait on the link before the stop flag is read
} // namespace TransferPacing
