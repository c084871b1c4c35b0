#include "niolib/channel_statistics.h"

#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <cstdio>
#include <utility>

ChannelStatistics::Source ChannelStatistics::NioSource()
{
    return {[] { return nio_chan_count(); },
            [](int16_t index) -> const uint8_t * { return nio_map_chan(index); }};
}

ChannelStatistics::ChannelStatistics(Source source) : source_(std::move(source))
{
    channelCount_ = source_.channelCount ? source_.channelCount() : 0;
}

std::optional<std::string> ChannelStatistics::Tick(int imageIndex)
{
    if (channelCount_ < 0 || !source_.channelCount || !source_.mapChannel)
        return std::nullopt;
    channelCount_ = source_.channelCount();
    if (channelCount_ == 0) {
        // No image, or one without channels: off until the configurator starts again.
        channelCount_ = -1;
        return std::nullopt;
    }
    if (imageIndex < 0 || imageIndex >= channelCount_)
        return std::nullopt;
    const uint8_t *record = source_.mapChannel(static_cast<int16_t>(imageIndex));
    if (!record)
        return std::nullopt;
    uint16_t transmit = nio::ReadU16(record, nio::kChanTxCount);
    uint16_t receive = nio::ReadU16(record, nio::kChanRxCount);
    // A signed 16-bit difference, so a counter that wrapped round still gives the polls between ticks.
    int16_t pollsPerSecond = static_cast<int16_t>(static_cast<uint16_t>(transmit - lastTransmit_));
    lastTransmit_ = transmit;
    char text[64];
    std::snprintf(text, sizeof text, "TX=%d RX=%d Polls/Sec=%d", transmit, receive, pollsPerSecond);
    return std::string(text);
}
