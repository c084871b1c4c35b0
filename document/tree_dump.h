#pragma once
// The configuration tree as text: one line per channel, device and poll record, each setting as the
// model's text operations give it.
#include "model/tree_state.h"

#include <string>

std::string DumpTree(const ChannelList &channels);
