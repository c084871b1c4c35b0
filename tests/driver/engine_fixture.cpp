#include "engine_fixture.h"

#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace drivertest
{

std::string EngineTest::WriteConfig(const PlantCsv &plant, const std::string &name)
{
    std::string csv = "[ KVZ  Driver Configuration Report  , Monday March 02 2026, 07:30 AM ]\n"
                      "!CHANNEL,DISPLAY ALARMS,REPLY TIMEOUT,DELAY,RETRIES,Protocol,Ethernet card\n";
    for (const auto &l : plant.channels)
        csv += l + "\n";
    csv += "\n!DEVICE NAME,CHANNEL,DESCRIPTION,ETHERNET ADDRESS,READ TSAP ID,WRITE TSAP ID,PLC_type,Backup "
           "Ethernet addr,Backup read TSAP,Backup Write TSAP,\n";
    for (const auto &l : plant.devices)
        csv += l + "\n";
    csv += "\n!IOREC,DEVICE NAME,DATA TYPE,POLL TIME,ACCESS TIME,EXCEPTION,DEAD BAND,START ADDRESS,LENGTH\n";
    for (const auto &l : plant.records)
        csv += l + "\n";
    doctest::WriteText(dir_ / (name + ".csv"), csv);
    std::string kvz = dir_ / (name + ".KVZ");
    return Kvzcfg("convert '" + dir_ / (name + ".csv") + "' '" + kvz + "'") == 0 ? kvz : std::string();
}

bool EngineTest::StartEngine(const PlantCsv &plant)
{
    config_ = WriteConfig(plant, "PLANT");
    if (config_.empty())
        return false;
    RegisterStartupFile(config_);
    ::setenv("KVZSPOLL_TICK_MS", "20", 1);
    if (!engine_.Start({KVZSPOLL_PATH}, "", 0))
        return false;
    nio::SetSleepFunction(nullptr); // reloads wait for the engine in real time
    return WaitUntil([] { return nio_map_hdr() != nullptr && nio_driver_alive() == 0; }, 5000);
}

void EngineTest::TearDown()
{
    engine_.Stop();
    nio::ResetForTests();
    DocTest::TearDown();
}

int EngineTest::Kvzcfg(const std::string &args, std::string *out)
{
    std::string command = std::string("'") + KVZCFG_PATH + "' " + args + " 2>/dev/null";
    FILE *p = popen(command.c_str(), "r");
    if (!p)
        return -1;
    std::array<char, 512> chunk;
    std::string got;
    size_t n;
    while ((n = fread(chunk.data(), 1, chunk.size(), p)) > 0)
        got.append(chunk.data(), n);
    int status = pclose(p);
    if (out)
        *out = got;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

uint16_t EngineTest::Status(int16_t record)
{
    uint8_t *block = nio_map_dit(record);
    return block ? nio::LoadField16(block, nio::kBlkStatus) : 0xFFFF;
}

std::vector<uint8_t> EngineTest::Data(int16_t record, size_t n)
{
    uint8_t *data = nio_find_data(record, 1);
    return data ? std::vector<uint8_t>(data, data + n) : std::vector<uint8_t>{};
}

uint64_t EngineTest::Stamp(int16_t record)
{
    uint8_t *block = nio_map_dit(record);
    uint64_t v = 0;
    if (block)
        std::memcpy(&v, block + nio::kBlkTimeStamp, sizeof v);
    return v;
}

std::vector<std::string> EngineTest::Messages()
{
    std::vector<std::string> out;
    const char *text = nullptr;
    uint16_t code = 0;
    while (nio_get_message(&text, &code, 1))
        out.emplace_back(text);
    return out;
}

} // namespace drivertest
