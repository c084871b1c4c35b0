#include "s5_frames.h"

#include "byte_order.h"

namespace ferrolink
{
namespace
{
constexpr uint8_t kOperationFetch = 0x05;
constexpr uint8_t kOperationWrite = 0x03;
constexpr uint8_t kOrgDataBlock = 8;

struct S5Address {
    uint8_t org = 0;
    uint8_t db = 0;
    uint16_t start = 0;
};

S5Address AddressOf(const RequestBlock &request, S5Form form)
{
    S5Address a;
    uint32_t area = request.Area(0);
    uint32_t start = request.Start(0);
    a.start = static_cast<uint16_t>(start);
    if (form == S5Form::First) {
        a.org = static_cast<uint8_t>(area);
        a.db = static_cast<uint8_t>(request.DbNumber(0));
        return a;
    }
    a.org = static_cast<uint8_t>(area >> 8);
    a.db = a.org == kOrgDataBlock ? static_cast<uint8_t>(area) : static_cast<uint8_t>(start >> 16);
    return a;
}
} // namespace

bool AppendS5Request(std::vector<uint8_t> &out, const RequestBlock &request, bool write, S5Form form,
                     size_t max_message)
{
    uint16_t length = request.Length(0);
    // The second form carries bytes after the header, the first one words.
    size_t data_bytes = write ? (form == S5Form::First ? length * 2u : length) : 0;
    if (kS5HeaderSize + data_bytes > max_message) {
        return false;
    }
    S5Address a = AddressOf(request, form);
    const uint8_t header[kS5HeaderSize] = {0x53,
                                           0x35,
                                           0x10,
                                           0x01,
                                           0x03,
                                           write ? kOperationWrite : kOperationFetch,
                                           0x03,
                                           0x08,
                                           a.org,
                                           a.db,
                                           static_cast<uint8_t>(a.start >> 8),
                                           static_cast<uint8_t>(a.start),
                                           static_cast<uint8_t>(length >> 8),
                                           static_cast<uint8_t>(length),
                                           0xFF,
                                           0x02};
    out.insert(out.end(), std::begin(header), std::end(header));
    if (data_bytes > 0) {
        auto data = request.Data(0, static_cast<uint32_t>(data_bytes));
        out.insert(out.end(), data.begin(), data.end());
    }
    return true;
}

} // namespace ferrolink
