#pragma once
// In-place access to the aligned fields of a shared block (the control block), as every process
// sharing it reads and writes them: whole 16- and 32-bit loads and stores, never torn.
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace nio
{

static_assert(std::endian::native == std::endian::little, "shared fields are little-endian in place");

inline uint16_t LoadField16(uint8_t *block, size_t offset)
{
    return std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t *>(block + offset))
        .load(std::memory_order_acquire);
}
inline void StoreField16(uint8_t *block, size_t offset, uint16_t value)
{
    std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t *>(block + offset))
        .store(value, std::memory_order_release);
}
inline uint32_t LoadField32(uint8_t *block, size_t offset)
{
    return std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t *>(block + offset))
        .load(std::memory_order_acquire);
}
inline void StoreField32(uint8_t *block, size_t offset, uint32_t value)
{
    std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t *>(block + offset))
        .store(value, std::memory_order_release);
}
// Interlocked add; gives the new value.
inline uint32_t AddField32(uint8_t *block, size_t offset, uint32_t delta)
{
    return std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t *>(block + offset)).fetch_add(delta) + delta;
}

} // namespace nio
