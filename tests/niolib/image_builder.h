#pragma once
// Builds small driver images laid out as the configuration file is: preamble, header at 102, the
// three offset tables, records on 8-byte boundaries padded with "G", each poll record followed by
// its zero-filled data areas.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace niotest
{

struct TestDevice {
    std::string name;
    int pollRecords = 1;
    std::array<uint32_t, 5> areaSizes{}; // areas 1..5 of each of its poll records
};

struct TestChannel {
    std::vector<TestDevice> devices;
};

struct TestImage {
    std::vector<TestChannel> channels;
    uint32_t version = 279;
    size_t tail = 0; // zero bytes after the last data block
};

struct BuiltImage {
    std::vector<uint8_t> bytes;
    size_t channelTableAt = 0, deviceTableAt = 0, pollTableAt = 0; // file positions
    std::vector<size_t> channelAt, deviceAt, blockAt;              // file positions
};

BuiltImage BuildImage(const TestImage &layout);

// One channel with one device of the given name and one poll record.
TestImage SimpleImage(const std::string &deviceName = "PLC1");

void PutU16(std::vector<uint8_t> &b, size_t at, uint16_t v);
void PutU32(std::vector<uint8_t> &b, size_t at, uint32_t v);
uint16_t GetU16(const uint8_t *p, size_t at);
uint32_t GetU32(const uint8_t *p, size_t at);

} // namespace niotest
