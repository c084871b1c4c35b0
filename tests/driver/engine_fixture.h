#pragma once
// A running KVZSPOLL on a configuration written as CSV and converted by kvzcfg, in the test's own
// registry and shared-memory namespace, with this process attached as a client.
#include "doc_fixture.h"
#include "private_network.h"
#include "wait_until.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace drivertest
{

// The CSV sections: channels, devices, poll records (lines after each section's header).
struct PlantCsv {
    std::vector<std::string> channels, devices, records;
};

inline bool WaitUntil(const std::function<bool()> &done, int timeout_ms)
{
    return kvz::test::WaitUntil(done, timeout_ms, 20);
}

class EngineTest : public doctest::DocTest
{
protected:
    void TearDown() override;
    // Converts the CSV into DIR/PLANT.KVZ, registers it and starts the engine; false when it fails.
    bool StartEngine(const PlantCsv &plant);
    std::string WriteConfig(const PlantCsv &plant, const std::string &name);
    // kvzcfg with arguments; its exit status, stdout in `out`.
    int Kvzcfg(const std::string &args, std::string *out = nullptr);
    // Status word and area 1 of a poll record of the image the client maps now.
    uint16_t Status(int16_t record);
    std::vector<uint8_t> Data(int16_t record, size_t n);
    uint64_t Stamp(int16_t record);
    std::vector<std::string> Messages();

    std::string config_;
    ferrolink_test::PeerProcess engine_;
};

} // namespace drivertest
