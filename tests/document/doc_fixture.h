#pragma once
// A document in a clean process state for each test: private registry hives, a private shared-memory
// namespace, a scripted UI, a fixed save time, and helpers that build trees through the model's own
// Set operations.
#include "document/did_doc.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "recording_ui.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace doctest
{

std::vector<uint8_t> ReadBytes(const std::string &path);
void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);
std::string ReadText(const std::string &path);
void WriteText(const std::string &path, const std::string &text);

uint16_t U16(const std::vector<uint8_t> &b, size_t off);
uint32_t U32(const std::vector<uint8_t> &b, size_t off);
void PutU16(std::vector<uint8_t> &b, size_t off, uint16_t v);
void PutU32(std::vector<uint8_t> &b, size_t off, uint32_t v);

class DocTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A channel at the end of the list (TCP/IP unless `iso`).
    CDrvSpecificChannel *AddChannel(bool iso = false);
    // A device on `channel` with the given name and PLC type text.
    CDrvSpecificDevice *AddDevice(CChannel *channel, const std::string &name,
                                  const std::string &plcType = "S7 300");
    // A poll record on `device`: start address text and length ("" leaves the length 0).
    CDrvSpecificIORec *AddIORec(CDevice *device, const std::string &start = "",
                                const std::string &length = "");

    // Registers the driver's startup file.
    void RegisterStartupFile(const std::string &path);
    std::string RegisteredStartupFile();

    kvz::test::ScopedRegistry registry_;
    kvz::test::TempDir dir_;
    kvz::test::RecordingUi ui_;
    std::unique_ptr<CDidDoc> doc_;
    std::string shmNamespace_;
};

} // namespace doctest
