#include "doc_fixture.h"

#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <fstream>
#include <iterator>
#include <unistd.h>

namespace doctest
{

std::vector<uint8_t> ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteText(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

uint16_t U16(const std::vector<uint8_t> &b, size_t off)
{
    return static_cast<uint16_t>(b.at(off) | (b.at(off + 1) << 8));
}

uint32_t U32(const std::vector<uint8_t> &b, size_t off)
{
    return U16(b, off) | (static_cast<uint32_t>(U16(b, off + 2)) << 16);
}

void PutU16(std::vector<uint8_t> &b, size_t off, uint16_t v)
{
    b.at(off) = static_cast<uint8_t>(v);
    b.at(off + 1) = static_cast<uint8_t>(v >> 8);
}

void PutU32(std::vector<uint8_t> &b, size_t off, uint32_t v)
{
    PutU16(b, off, static_cast<uint16_t>(v));
    PutU16(b, off + 2, static_cast<uint16_t>(v >> 16));
}

void DocTest::SetUp()
{
    static int counter = 0;
    shmNamespace_ = "kvzdoc" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    ::setenv("KVZ_SHM_NAMESPACE", shmNamespace_.c_str(), 1);
    ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    nio::ResetForTests();
    nio::SetSleepFunction([](unsigned) {});
    doc_ = std::make_unique<CDidDoc>();
}

void DocTest::TearDown()
{
    doc_.reset();
    nio::ResetForTests();
    nio::SetSleepFunction(nullptr);
    nio::SetLogObserver(nullptr);
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator("/dev/shm", ec))
        if (entry.path().filename().string().starts_with(shmNamespace_ + "."))
            std::filesystem::remove(entry.path(), ec);
    ::unsetenv("KVZ_SHM_NAMESPACE");
    ::unsetenv("SOURCE_DATE_EPOCH");
}

CDrvSpecificChannel *DocTest::AddChannel(bool iso)
{
    auto channel = std::make_unique<CDrvSpecificChannel>();
    if (iso)
        channel->SetProtocolIndex(0);
    CDrvSpecificChannel *raw = channel.get();
    doc_->m_ChannelList.push_back(std::move(channel));
    doc_->SetCurrentChannel(raw);
    return raw;
}

CDrvSpecificDevice *DocTest::AddDevice(CChannel *channel, const std::string &name, const std::string &plcType)
{
    auto device = std::make_unique<CDrvSpecificDevice>(channel);
    EXPECT_EQ(device->SetName(name), 0);
    EXPECT_EQ(device->SetPlcType(plcType), 1);
    CDrvSpecificDevice *raw = device.get();
    channel->AddDevice(std::move(device));
    channel->SetCurrentDevice(raw);
    return raw;
}

CDrvSpecificIORec *DocTest::AddIORec(CDevice *device, const std::string &start, const std::string &length)
{
    auto ioRec = std::make_unique<CDrvSpecificIORec>();
    ioRec->SetDevice(device);
    if (!start.empty()) {
        EXPECT_EQ(ioRec->ParseAddress(start, 1), 1) << start;
        EXPECT_EQ(ioRec->ParseAddress(start, 0), 1) << start;
    }
    if (!length.empty()) {
        EXPECT_EQ(ioRec->SetLength(length), 1) << length;
        EXPECT_EQ(ioRec->ComputeEnd(), 1);
    }
    CDrvSpecificIORec *raw = ioRec.get();
    device->AddIORec(std::move(ioRec));
    return raw;
}

void DocTest::RegisterStartupFile(const std::string &path)
{
    ASSERT_EQ(SetConfigFilePath(path.c_str()), 1);
}

std::string DocTest::RegisteredStartupFile()
{
    char buffer[512] = {};
    if (!GetConfigFilePath(buffer, sizeof buffer))
        return {};
    return buffer;
}

} // namespace doctest
