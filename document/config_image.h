#pragma once
// The configuration file's bytes, built in memory from the channel list. Building it also does what a
// save does to the tree: devices without poll records and trailing empty channels are destroyed,
// learn-address flags are cleared and poll records are numbered by their place in the file.
#include "model/tree_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Appends "G" bytes until the size is a multiple of 8.
void PadToEight(std::vector<uint8_t> &file);

// Walks the list from its last channel: deletes each channel's devices without poll records and
// removes the channel when none is left, until a channel keeps a device. Empty channels before a
// channel with devices stay.
void PruneConfiguration(ChannelList &channels);

struct ConfigImageResult {
    std::vector<uint8_t> bytes;
    std::string error; // set when the configuration does not fit the file format
};

// Prunes `channels`, then lays the whole file out with `saveTime` in its header.
ConfigImageResult BuildConfigImage(ChannelList &channels, uint32_t saveTime);
