#pragma once
// The main frame's per-second statistics of the selected channel: transmit and receive counts from
// the running driver's channel record and the polls per second between two ticks. Reads shared memory
// through NIOLIB unless a test gives its own source.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class ChannelStatistics
{
public:
    struct Source {
        std::function<int16_t()> channelCount;                    // nio_chan_count
        std::function<const uint8_t *(int16_t index)> mapChannel; // nio_map_chan
    };
    // NIOLIB's own routines.
    static Source NioSource();

    // Reads the channel count of the running driver's image (the frame's creation step).
    explicit ChannelStatistics(Source source = NioSource());

    // One tick for the channel with driver image index `imageIndex`: "TX=%d RX=%d Polls/Sec=%d", or
    // nothing when the statistics are off (a tick found 0 channels, which switches them off for
    // good), the index lies outside the image, or the record cannot be mapped.
    std::optional<std::string> Tick(int imageIndex);

    bool SwitchedOff() const { return channelCount_ < 0; }
    uint16_t LastTransmitCount() const { return lastTransmit_; }

private:
    Source source_;
    int16_t channelCount_ = 0;
    uint16_t lastTransmit_ = 0;
};
