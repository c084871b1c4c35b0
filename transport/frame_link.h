// How one connection's transport units reach the wire. The engine is the same for every channel
// kind; a link wraps each unit in its framing (TPKT on TCP, Ethernet and LLC on H1) and, for TCP,
// owns the socket.
#pragma once

#include "cotp_frames.h"

#include <cstdint>
#include <span>

namespace ferrolink
{

// Result of a zero-wait writability check of the link.
constexpr int kSocketNotWritable = 0;
constexpr int kSocketWritable = 1;
constexpr int kSocketError = 2;

class FrameLink
{
public:
    virtual ~FrameLink() = default;
    virtual Framing Kind() const = 0;
    // Sends one transport unit (from its LI on). Gives 0 or the error number.
    virtual int SendUnit(std::span<const uint8_t> unit) = 0;
    // Receives what has arrived without waiting: the byte count, 0 when nothing is there, or -1
    // when the link failed (the link is then no longer connected). Links fed by receiver
    // threads give 0.
    virtual long Receive(std::span<uint8_t> buffer) = 0;
    // Whether the link believes it is connected (always true for links without connections).
    virtual bool Connected() const = 0;
    // Closes any socket and connects a new one (no-op for links without connections).
    virtual void Reconnect() = 0;
    // Shuts the link down for good.
    virtual void Close() = 0;
    virtual int WritableCheck() = 0;
};

} // namespace ferrolink
