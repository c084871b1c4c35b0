// A request block for the tests, filled and read through the header's offsets only.
#pragma once

#include "ferrolink.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ferrolink_test
{

class Request
{
public:
    Request() { bytes.fill(0); }
    void *Raw() { return bytes.data(); }

    void Put32(int offset, uint32_t v) { std::memcpy(&bytes[offset], &v, 4); }
    void Put16(int offset, uint16_t v) { std::memcpy(&bytes[offset], &v, 2); }
    uint32_t Get32(int offset) const
    {
        uint32_t v;
        std::memcpy(&v, &bytes[offset], 4);
        return v;
    }

    // An S7 request of the given kind with its items; earlier results are cleared.
    struct Item {
        uint32_t area;
        uint16_t db;
        uint16_t length;
        uint32_t start;
    };
    void S7(uint16_t kind, uint32_t reference, std::initializer_list<Item> items)
    {
        Put32(FL_RB_ITEM_COUNT, static_cast<uint32_t>(items.size()));
        Put32(FL_RB_REFERENCE, reference);
        Put16(FL_RB_REQUEST_KIND, kind);
        int i = 0;
        for (const Item &item : items) {
            SetItem(i++, item);
        }
    }
    void SetItem(int i, const Item &item)
    {
        int base = FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * i;
        Put32(base + FL_RB_ITEM_AREA, item.area);
        Put16(base + FL_RB_ITEM_DB, item.db);
        Put16(base + FL_RB_ITEM_LENGTH, item.length);
        Put32(base + FL_RB_ITEM_START, item.start);
        Put32(base + FL_RB_ITEM_BYTES, 0xFFFFFFFF);
        Put32(base + FL_RB_ITEM_RESULT, 0xFFFFFFFF);
    }
    // Read as the library publishes it (it may be written by the library's threads meanwhile).
    uint32_t Completion() const
    {
        auto *field = reinterpret_cast<uint32_t *>(const_cast<uint8_t *>(&bytes[FL_RB_COMPLETION]));
        return std::atomic_ref<uint32_t>(*field).load(std::memory_order_acquire);
    }
    uint32_t Result(int i) const { return Get32(FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * i + FL_RB_ITEM_RESULT); }
    uint32_t BytesReturned(int i) const
    {
        return Get32(FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * i + FL_RB_ITEM_BYTES);
    }
    std::vector<uint8_t> Slot(int i, size_t n) const
    {
        auto at = bytes.begin() + FL_RB_DATA + FL_RB_SLOT_SIZE * i;
        return {at, at + static_cast<std::ptrdiff_t>(n)};
    }
    void SetSlot(int i, const std::vector<uint8_t> &data)
    {
        std::memcpy(&bytes[FL_RB_DATA + FL_RB_SLOT_SIZE * i], data.data(), data.size());
    }
    std::vector<uint8_t> Data(size_t n) const
    {
        return {bytes.begin() + FL_RB_DATA, bytes.begin() + FL_RB_DATA + static_cast<std::ptrdiff_t>(n)};
    }
    void SetData(const std::vector<uint8_t> &data)
    {
        std::memcpy(&bytes[FL_RB_DATA], data.data(), data.size());
    }

    alignas(8) std::array<uint8_t, FL_RB_S7_BLOCK_SIZE> bytes;
};

inline uint16_t StatusField(int connection, int offset)
{
    uint16_t v;
    std::memcpy(&v, static_cast<uint8_t *>(H1_Get_Connection_Status(connection)) + offset, 2);
    return v;
}

} // namespace ferrolink_test
