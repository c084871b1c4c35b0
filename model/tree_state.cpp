#include "model/tree_state.h"

#include "model/channel.h"
#include "model/device.h"
#include "model/number_text.h"

#include <algorithm>

using namespace model;

namespace
{

struct TreeState {
    ChannelList *channels = nullptr;
    CChannel *currentChannel = nullptr;
    uint16_t pollRecordCount = 0;
};

TreeState &State()
{
    static TreeState state;
    return state;
}

} // namespace

void PublishChannelList(ChannelList *list)
{
    State().channels = list;
    if (!list)
        State().currentChannel = nullptr;
}

ChannelList *GetChannelList()
{
    return State().channels;
}

CChannel *GetCurrentChannel()
{
    return State().currentChannel;
}

void SetCurrentChannelOfTree(CChannel *channel)
{
    State().currentChannel = channel;
}

uint16_t GetPollRecordCount()
{
    return State().pollRecordCount;
}

void AddToPollRecordCount(int delta)
{
    State().pollRecordCount = static_cast<uint16_t>(State().pollRecordCount + delta);
}

void ResetPollRecordCount()
{
    State().pollRecordCount = 0;
}

CChannel *FindChannelByNumber(uint16_t number)
{
    if (!State().channels)
        return nullptr;
    for (const auto &c : *State().channels)
        if (c && c->GetChannelNumber() == number)
            return c.get();
    return nullptr;
}

CDevice *FindDeviceByName(std::string_view name)
{
    if (!State().channels)
        return nullptr;
    for (const auto &c : *State().channels) {
        if (!c)
            continue;
        for (const auto &d : c->Devices())
            if (EqualsNoCase(d->GetName(), name))
                return d.get();
    }
    return nullptr;
}

std::unique_ptr<CChannel> RemoveChannelFromTree(CChannel *channel)
{
    ChannelList *list = State().channels;
    if (!list)
        return nullptr;
    auto it = std::find_if(list->begin(), list->end(),
                           [&](const std::unique_ptr<CChannel> &c) { return c.get() == channel; });
    if (it == list->end())
        return nullptr;
    std::unique_ptr<CChannel> out = std::move(*it);
    list->erase(it);
    if (State().currentChannel == channel)
        State().currentChannel = nullptr;
    return out;
}
