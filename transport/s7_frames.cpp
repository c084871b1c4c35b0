#include "s7_frames.h"

#include "byte_order.h"

namespace ferrolink
{
namespace
{
constexpr uint8_t kSetup[kS7SetupSize] = {0x32, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x08, 0x00,
                                          0x00, 0xF0, 0x00, 0x00, 0x02, 0x00, 0x01, 0x03, 0xC0};
constexpr uint8_t kItemSpec[] = {0x12, 0x0A, 0x10, 0x02};
constexpr uint8_t kAreaBit = 0x80;
constexpr uint32_t kBitAddressMask = 0xFFFFFF;

void AppendHeader(std::vector<uint8_t> &out, const RequestBlock &request, uint16_t parameter_length,
                  uint16_t data_length)
{
    out.push_back(kS7ProtocolId);
    out.push_back(kS7Job);
    Append32Be(out, request.Reference());
    Append16Be(out, parameter_length);
    Append16Be(out, data_length);
}

void AppendItems(std::vector<uint8_t> &out, const RequestBlock &request, uint8_t function)
{
    uint32_t count = request.ItemCount();
    out.push_back(function);
    out.push_back(static_cast<uint8_t>(count));
    for (uint32_t i = 0; i < count; ++i) {
        int item = static_cast<int>(i);
        out.insert(out.end(), std::begin(kItemSpec), std::end(kItemSpec));
        Append16Be(out, request.Length(item));
        Append16Be(out, request.DbNumber(item));
        out.push_back(static_cast<uint8_t>(request.Area(item) | kAreaBit));
        uint32_t bits = (request.Start(item) * 8) & kBitAddressMask;
        out.push_back(static_cast<uint8_t>(bits >> 16));
        out.push_back(static_cast<uint8_t>(bits >> 8));
        out.push_back(static_cast<uint8_t>(bits));
    }
}

uint16_t ParameterLength(const RequestBlock &request)
{
    return static_cast<uint16_t>(request.ItemCount() * kS7ItemSize + 2);
}
} // namespace

void AppendS7Setup(std::vector<uint8_t> &out)
{
    out.insert(out.end(), std::begin(kSetup), std::end(kSetup));
}

bool S7RequestFits(const RequestBlock &request)
{
    uint32_t count = request.ItemCount();
    if (count < 1 || count > FL_MAX_ITEMS) {
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t length = request.Length(static_cast<int>(i));
        if (length < 1 || length > FL_RB_SLOT_SIZE) {
            return false;
        }
    }
    return true;
}

bool AppendS7Read(std::vector<uint8_t> &out, const RequestBlock &request)
{
    if (!S7RequestFits(request)) {
        return false;
    }
    AppendHeader(out, request, ParameterLength(request), 0);
    AppendItems(out, request, kS7FunctionRead);
    return true;
}

bool AppendS7Write(std::vector<uint8_t> &out, const RequestBlock &request)
{
    if (!S7RequestFits(request)) {
        return false;
    }
    uint32_t count = request.ItemCount();
    uint16_t data_length = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t length = request.Length(static_cast<int>(i));
        bool fill = (length % 2 == 1) && i + 1 < count;
        data_length = static_cast<uint16_t>(data_length + 4 + length + (fill ? 1 : 0));
    }
    AppendHeader(out, request, ParameterLength(request), data_length);
    AppendItems(out, request, kS7FunctionWrite);
    for (uint32_t i = 0; i < count; ++i) {
        int item = static_cast<int>(i);
        uint16_t length = request.Length(item);
        out.push_back(0x00);
        out.push_back(kS7TransportByteBits);
        Append16Be(out, static_cast<uint16_t>(length * 8));
        auto slot = request.Slot(item).first(length);
        out.insert(out.end(), slot.begin(), slot.end());
        if ((length % 2 == 1) && i + 1 < count) {
            out.push_back(0x00);
        }
    }
    return true;
}

} // namespace ferrolink
