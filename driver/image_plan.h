#pragma once
// What the poll engine polls, read once from a mapped driver image: channels, their devices and the
// devices' poll records, each checked against the image before anything is polled. The plan keeps
// pointers into the image, valid while that image stays mapped.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace spoll
{

// Status words, as the configurator's state images tell them apart.
inline constexpr uint16_t kStatusGood = 0;
inline constexpr uint16_t kStatusFailed = 4293;    // the controller did not answer
inline constexpr uint16_t kStatusRefused = 4294;   // the controller answered with an item error
inline constexpr uint16_t kStatusNotPolled = 4296; // poll time disabled, or nothing to poll it with
inline constexpr uint16_t kStatusNotYet = 4297;    // the record tag: not polled yet

enum class Family { S5, S7, TI, Unknown };

// Why a device whose record holds no address is not polled.
inline constexpr const char *kNoAddress = "has no IP address";

struct RecordPlan {
    int16_t index = -1; // image index of the poll record
    int position = 0;   // 1-based within its device, as the configurator numbers rows
    uint8_t *block = nullptr;
    uint8_t *data = nullptr; // area 1
    uint32_t dataSize = 0;
    Family family = Family::Unknown;
    uint32_t area = 0; // S7 area code, or S5 organisation id
    uint16_t db = 0;
    uint32_t start = 0;    // byte address (S7) or word address (S5)
    uint32_t bytes = 0;    // bytes read into area 1
    uint32_t periodMs = 0; // 0: not polled
    std::string address;   // as the engine prints it
    std::string whyNotPolled;
};

struct Endpoint {
    std::array<uint8_t, 6> remote{}; // as H1_Create_Connection takes it
    std::string text;                // for messages
    std::string tsap;
};

struct DevicePlan {
    std::string name;
    Family family = Family::Unknown;
    Endpoint primary;
    bool hasBackup = false;
    Endpoint backup;
    std::string whyNotPolled; // set: no connection is made
    std::vector<RecordPlan> records;
    // Guards the records' data, time stamps and status words between the device's poller, which
    // writes them, and the request port, which reads them. Copies of a plan point into the same
    // image, so they share it.
    std::shared_ptr<std::mutex> recordsLock = std::make_shared<std::mutex>();
};

struct ChannelPlan {
    int16_t index = -1;
    uint8_t *record = nullptr;
    bool tcp = true;
    std::u16string card;
    uint32_t replyTimeoutMs = 5000;
    uint32_t delayMs = 10000;
    int retries = 3;
    std::vector<DevicePlan> devices;
};

struct ImagePlan {
    std::vector<ChannelPlan> channels;
    std::vector<std::string> problems; // one message each, posted when the plan is taken up
};

// Which addresses outside loopback may be polled: all (a plant), or only those assigned to an
// interface of this network namespace (tests and the demo, which make their own namespaces).
enum class AddressPolicy { Any, LocalOnly };

// Reads the mapped image through NIOLIB; an empty plan when no image is mapped.
ImagePlan ReadImagePlan(AddressPolicy policy);

// Address texts of the records, as the engine prints them and as `read` takes them.
std::string S7AddressText(uint32_t area, uint16_t db, uint32_t start);
std::string S5AddressText(uint32_t org, uint16_t db, uint32_t start);

} // namespace spoll
