// A view of the caller's request block: every access goes through the documented offsets, and
// writes are limited to the fields the library owns.
#pragma once

#include "include/ferrolink.h"

#include <cstdint>
#include <span>

namespace ferrolink
{

class RequestBlock
{
public:
    RequestBlock() = default;
    explicit RequestBlock(void *block) : bytes_(static_cast<uint8_t *>(block)) {}

    bool Valid() const { return bytes_ != nullptr; }
    void *Raw() const { return bytes_; }

    uint32_t ItemCount() const;
    uint32_t Area(int item) const;
    uint16_t DbNumber(int item) const;
    uint16_t Length(int item) const;
    uint32_t Start(int item) const;
    uint32_t Completion() const;
    uint32_t Capacity() const;
    uint32_t Reference() const;
    uint16_t RequestKind() const;
    uint32_t BytesReturned(int item) const;
    uint32_t Result(int item) const;

    void SetBytesReturned(int item, uint32_t bytes);
    void SetResult(int item, uint32_t result);
    void SetCompletion(uint32_t completion);

    // Bytes of the data area; the caller promises `size` bytes exist there.
    std::span<uint8_t> Data(uint32_t offset, uint32_t size) const
    {
        return {bytes_ + FL_RB_DATA + offset, size};
    }
    std::span<uint8_t> Slot(int item) const { return Data(FL_RB_SLOT_SIZE * item, FL_RB_SLOT_SIZE); }

private:
    uint32_t ItemField32(int item, int field) const;
    uint8_t *bytes_ = nullptr;
};

} // namespace ferrolink
