#include "h1_link.h"

#include "h1_frames.h"

namespace ferrolink
{

int H1Link::SendUnit(std::span<const uint8_t> unit)
{
    // Each call builds its own frame: receiver threads send acknowledgements while the timer thread
    // may send on another connection of the same link kind.
    std::vector<uint8_t> frame;
    frame.reserve(kMaxFrame);
    BuildH1Frame(frame, remote_, local_, unit);
    if (frame.size() > kMaxFrame) {
        return 90; // message too long
    }
    return device_->WriteFrame(frame);
}

} // namespace ferrolink
