#include "model/tree_state.h"

#include "model/channel.h"
#include "model/device.h"
#include "model/number_text.h"

#include <algorithm>
#include <string>
#include <unordered_map>

using namespace model;

namespace
{

// Device names, folded to lower case, to the first device of that name in list order. The CSV
// import looks a device up for every poll record line; a scan of every name per line made the import
// quadratic. The index is valid while the channel list holds the same channels in the same order and
// no device has been added, removed, renamed or destroyed since it was built.
struct DeviceNameIndex {
    const ChannelList *list = nullptr;
    std::vector<const CChannel *> channels;
    uint64_t generation = 0;
    bool built = false;
    std::unordered_map<std::string, CDevice *> byName;
};

struct TreeState {
    ChannelList *channels = nullptr;
    CChannel *currentChannel = nullptr;
    uint16_t pollRecordCount = 0;
    uint64_t deviceGeneration = 0;
    DeviceNameIndex deviceNames;
    std::function<void()> presenceListener;
};

TreeState &State()
{
    static TreeState state;
    return state;
}

std::string FoldedName(std::string_view name)
{
    std::string folded(name);
    for (char &c : folded)
        c = FoldAsciiCase(c);
    return folded;
}

bool IndexMatchesTree(const DeviceNameIndex &index, const ChannelList &list)
{
    if (!index.built || index.list != &list || index.generation != State().deviceGeneration ||
        index.channels.size() != list.size())
        return false;
    for (size_t i = 0; i < list.size(); ++i)
        if (index.channels[i] != list[i].get())
            return false;
    return true;
}

DeviceNameIndex &CurrentDeviceNameIndex(const ChannelList &list)
{
    DeviceNameIndex &index = State().deviceNames;
    if (IndexMatchesTree(index, list))
        return index;
    index.list = &list;
    index.generation = State().deviceGeneration;
    index.channels.clear();
    index.byName.clear();
    for (const auto &c : list) {
        index.channels.push_back(c.get());
        if (!c)
            continue;
        for (const auto &d : c->Devices())
            index.byName.emplace(FoldedName(d->GetName()), d.get()); // keeps the first of a name
    }
    index.built = true;
    return index;
}

} // namespace

void NoteDevicesChanged()
{
    ++State().deviceGeneration;
}

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

namespace
{

void SetPollRecordCount(uint16_t count)
{
    TreeState &state = State();
    const bool had = state.pollRecordCount != 0;
    state.pollRecordCount = count;
    if (had != (count != 0) && state.presenceListener)
        state.presenceListener();
}

} // namespace

void AddToPollRecordCount(int delta)
{
    SetPollRecordCount(static_cast<uint16_t>(State().pollRecordCount + delta));
}

void ResetPollRecordCount()
{
    SetPollRecordCount(0);
}

void SetPollRecordPresenceListener(std::function<void()> listener)
{
    State().presenceListener = std::move(listener);
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
    const DeviceNameIndex &index = CurrentDeviceNameIndex(*State().channels);
    auto it = index.byName.find(FoldedName(name));
    return it == index.byName.end() ? nullptr : it->second;
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
