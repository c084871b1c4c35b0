#include "request_block.h"

#include <atomic>
#include <bit>
#include <cstdint>

#include "byte_order.h"

namespace ferrolink
{
namespace
{
constexpr int ItemOffset(int item, int field)
{
    return FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * item + field;
}
} // namespace

uint32_t RequestBlock::ItemField32(int item, int field) const
{
    return Get32Le(bytes_ + ItemOffset(item, field));
}

uint32_t RequestBlock::ItemCount() const
{
    return Get32Le(bytes_ + FL_RB_ITEM_COUNT);
}
uint32_t RequestBlock::Area(int item) const
{
    return ItemField32(item, FL_RB_ITEM_AREA);
}
uint16_t RequestBlock::DbNumber(int item) const
{
    return Get16Le(bytes_ + ItemOffset(item, FL_RB_ITEM_DB));
}
uint16_t RequestBlock::Length(int item) const
{
    return Get16Le(bytes_ + ItemOffset(item, FL_RB_ITEM_LENGTH));
}
uint32_t RequestBlock::Start(int item) const
{
    return ItemField32(item, FL_RB_ITEM_START);
}
uint32_t RequestBlock::BytesReturned(int item) const
{
    return ItemField32(item, FL_RB_ITEM_BYTES);
}
uint32_t RequestBlock::Result(int item) const
{
    return ItemField32(item, FL_RB_ITEM_RESULT);
}
uint32_t RequestBlock::Completion() const
{
    return Get32Le(bytes_ + FL_RB_COMPLETION);
}
uint32_t RequestBlock::Capacity() const
{
    return Get32Le(bytes_ + FL_RB_CAPACITY);
}
uint32_t RequestBlock::Reference() const
{
    return Get32Le(bytes_ + FL_RB_REFERENCE);
}
uint16_t RequestBlock::RequestKind() const
{
    return Get16Le(bytes_ + FL_RB_REQUEST_KIND);
}

void RequestBlock::SetBytesReturned(int item, uint32_t bytes)
{
    if (item >= 0 && item < FL_MAX_ITEMS) {
        Put32Le(bytes_ + ItemOffset(item, FL_RB_ITEM_BYTES), bytes);
    }
}

void RequestBlock::SetResult(int item, uint32_t result)
{
    if (item >= 0 && item < FL_MAX_ITEMS) {
        Put32Le(bytes_ + ItemOffset(item, FL_RB_ITEM_RESULT), result);
    }
}

void RequestBlock::SetCompletion(uint32_t completion)
{
    // The caller polls this field from its own thread while the library's threads fill the block:
    // the results and data written before are published with it.
    uint8_t *field = bytes_ + FL_RB_COMPLETION;
    if (std::endian::native == std::endian::little &&
        reinterpret_cast<uintptr_t>(field) % alignof(uint32_t) == 0) {
        std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t *>(field))
            .store(completion, std::memory_order_release);
    } else {
        std::atomic_thread_fence(std::memory_order_release);
        Put32Le(field, completion);
    }
}

} // namespace ferrolink
