#include "niolib/driver_monitor.h"

#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/registry.h"

namespace nio
{
namespace
{

// Longer than a poll engine's step, so a running driver is never taken for a standing one.
constexpr unsigned kHeartbeatSampleMs = 250;
constexpr size_t kConfigPathChars = 512;

} // namespace

int DriverStatusCommand(std::ostream &out)
{
    nio_map_hdr();
    uint8_t *cb = MapToDriver(0); // held already when anything could be attached
    if (!cb)
        return 1;
    uint32_t before = LoadField32(cb, kCbHeartbeat);
    Sleep(kHeartbeatSampleMs);
    bool moving = LoadField32(cb, kCbHeartbeat) != before;

    out << "run_state: " << LoadField16(cb, kCbRunState) << '\n'
        << "heartbeat: " << (moving ? "moving" : "standing") << '\n'
        << "current_map: " << LoadField32(cb, kCbCurrentMap) << '\n'
        << "loaded_map: " << LoadField32(cb, kCbLoadedMap) << '\n'
        << "clients: " << LoadField32(cb, kCbClients) << '\n';
    if (!ImageMapped())
        return 1;
    int16_t channels = nio_chan_count();
    for (int16_t c = 0; c < channels; ++c) {
        const uint8_t *channel = nio_map_chan(c);
        if (!channel)
            continue;
        out << "channel " << c << ": TX=" << ReadU16(channel, kChanTxCount)
            << " RX=" << ReadU16(channel, kChanRxCount) << '\n';
    }
    return ImageMapped() ? 0 : 1;
}

int DriverControlCommand(DriverVerb verb, const std::string &config)
{
    switch (verb) {
    case DriverVerb::Start:
        return nio_StartStop(1) ? 0 : 1;
    case DriverVerb::Stop:
        return nio_StartStop(0) ? 0 : 1;
    case DriverVerb::Reload: {
        std::string path = config;
        if (path.empty()) {
            char registered[kConfigPathChars] = "";
            GetConfigFilePath(registered, sizeof registered);
            path = registered;
        }
        ReloadConfiguration(path.c_str(), kAcronym);
        uint8_t *cb = MapToDriver(0);
        return cb && LoadField16(cb, kCbRunState) == kStateRun && LoadField16(cb, kCbCmdState) == kStateRun
                   ? 0
                   : 1;
    }
    }
    return 1;
}

int DriverMessagesCommand(bool all, std::ostream &out)
{
    const char *text = nullptr;
    uint16_t code = 0;
    int flag = 0; // the first fetch of a batch never asks for all messages
    while (nio_get_message(&text, &code, flag)) {
        out << code << '\t' << text << '\n';
        flag = all ? 1 : 0;
    }
    return 0;
}

int RegistryGetCommand(bool machine, const std::string &key, const std::string &name, std::ostream &out)
{
    kvz::Hive hive = machine ? kvz::Hive::LocalMachine : kvz::Hive::CurrentUser;
    if (auto text = kvz::RegReadString(hive, key, name)) {
        out << *text << '\n';
        return 0;
    }
    if (auto number = kvz::RegReadDword(hive, key, name)) {
        out << *number << '\n';
        return 0;
    }
    return 1;
}

int RegistrySetCommand(bool machine, const std::string &key, const std::string &name,
                       const std::string &value)
{
    kvz::Hive hive = machine ? kvz::Hive::LocalMachine : kvz::Hive::CurrentUser;
    return kvz::RegWriteString(hive, key, name, value) ? 0 : 1;
}

} // namespace nio
