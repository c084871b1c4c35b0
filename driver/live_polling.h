#pragma once
// The real poll engine on one driver image: the transport's channels, one connection per device
// (and its backup), one poller per device; and the answers to the request port's questions.
#include "driver/device_poller.h"
#include "driver/image_plan.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace spoll
{

class LivePolling
{
public:
    LivePolling(uint8_t *controlBlock, AddressPolicy policy);
    ~LivePolling();

    // Reads the mapped image and starts polling it.
    void TakeImage();
    // Stops every poller and closes the connections; the image may then be dropped.
    void LeaveImage();

    // One request of the port: "read DEVICE:ADDRESS" or "values DEVICE". The answer's first line is
    // "0" (done) or "1" (an error, told on the following lines).
    std::string Answer(const std::string &request);

private:
    void OpenConnections(ChannelPlan &channel, int transportChannel);
    std::string Read(const std::string &target);
    std::string Values(const std::string &deviceName);
    DevicePlan *FindDevice(const std::string &name);

    AddressPolicy policy_;
    MessageSink messages_;
    std::mutex lock_; // the plan, between the port's thread and reloads
    ImagePlan plan_;
    std::vector<std::unique_ptr<DevicePoller>> pollers_;
    bool tcpOpen_ = false;
    bool h1Open_ = false;
};

// FILETIME of the record's time stamp turned into seconds of age (negative: never stamped).
double AgeSeconds(const uint8_t *block);
const char *StatusName(uint16_t status);

} // namespace spoll
