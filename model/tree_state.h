#pragma once
// The process-wide state of the configuration tree: the channel list, the current channel and the
// poll record count. The document owns the channel list and publishes it here when it is created
// (and withdraws it when it goes); the model reads it to look channels and devices up. The current
// channel is set by the document (and by the CSV import). The poll record count is kept by the
// devices as poll records are added and removed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class CChannel;
class CDevice;

using ChannelList = std::vector<std::unique_ptr<CChannel>>;

// The channel list the model works on (not owned); null withdraws it.
void PublishChannelList(ChannelList *list);
// The published channel list, or null when no document has published one.
ChannelList *GetChannelList();

CChannel *GetCurrentChannel();
void SetCurrentChannelOfTree(CChannel *channel);

uint16_t GetPollRecordCount();
// Only the devices change the count as they gain and lose poll records; the document may reset it
// when it starts a new tree.
void AddToPollRecordCount(int delta);
void ResetPollRecordCount();
// Called whenever the tree goes from no poll record to some, or from some to none: what may be saved
// or reloaded changes there (the document listens; null: nobody).
void SetPollRecordPresenceListener(std::function<void()> listener);

// The first channel of the list whose channel number is `number`, or null.
CChannel *FindChannelByNumber(uint16_t number);
// The first device named `name` (ignoring case), channels and devices in list order, or null.
CDevice *FindDeviceByName(std::string_view name);
// Called by channels and devices whenever a device is added to or removed from a channel, renamed or
// destroyed, so that the name lookup above sees the change.
void NoteDevicesChanged();

// Takes `channel` out of the published list and hands it to the caller (null when it is not there);
// the current channel is cleared when it was this one.
std::unique_ptr<CChannel> RemoveChannelFromTree(CChannel *channel);
