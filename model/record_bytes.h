#pragma once
// Little-endian field access for the fixed-size file records. Records are plain byte arrays; every
// field is read or written through these helpers at a named offset, never through an overlaid struct.
// Each helper checks that the field lies inside the record: a write outside is dropped and a read
// outside gives zero, so a wrong offset can never touch memory beyond the record.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace rec
{

inline bool Fits(size_t size, size_t offset, size_t width)
{
    return offset <= size && width <= size - offset;
}

inline void PutU8(std::span<uint8_t> r, size_t off, uint8_t v)
{
    if (Fits(r.size(), off, 1))
        r[off] = v;
}
inline void PutU16(std::span<uint8_t> r, size_t off, uint16_t v)
{
    if (!Fits(r.size(), off, 2))
        return;
    r[off] = static_cast<uint8_t>(v);
    r[off + 1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(std::span<uint8_t> r, size_t off, uint32_t v)
{
    if (!Fits(r.size(), off, 4))
        return;
    for (size_t i = 0; i < 4; ++i)
        r[off + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutI16(std::span<uint8_t> r, size_t off, int16_t v)
{
    PutU16(r, off, static_cast<uint16_t>(v));
}
inline void PutI32(std::span<uint8_t> r, size_t off, int32_t v)
{
    PutU32(r, off, static_cast<uint32_t>(v));
}
inline void PutF32(std::span<uint8_t> r, size_t off, float v)
{
    PutU32(r, off, std::bit_cast<uint32_t>(v));
}

inline uint8_t GetU8(std::span<const uint8_t> r, size_t off)
{
    return Fits(r.size(), off, 1) ? r[off] : 0;
}
inline uint16_t GetU16(std::span<const uint8_t> r, size_t off)
{
    if (!Fits(r.size(), off, 2))
        return 0;
    return static_cast<uint16_t>(r[off] | (r[off + 1] << 8));
}
inline uint32_t GetU32(std::span<const uint8_t> r, size_t off)
{
    if (!Fits(r.size(), off, 4))
        return 0;
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(r[off + i]) << (8 * i);
    return v;
}
inline int16_t GetI16(std::span<const uint8_t> r, size_t off)
{
    return static_cast<int16_t>(GetU16(r, off));
}
inline int32_t GetI32(std::span<const uint8_t> r, size_t off)
{
    return static_cast<int32_t>(GetU32(r, off));
}
inline float GetF32(std::span<const uint8_t> r, size_t off)
{
    return std::bit_cast<float>(GetU32(r, off));
}

// Writes at most `maxChars` characters of `text` at `off`; the rest of the field up to and including
// byte off + maxChars stays as it is (zero in a cleared record), so the text is always terminated.
inline void PutText(std::span<uint8_t> r, size_t off, size_t maxChars, std::string_view text)
{
    if (!Fits(r.size(), off, maxChars + 1))
        return;
    size_t n = std::min(text.size(), maxChars);
    std::memcpy(r.data() + off, text.data(), n);
}

// The zero-terminated text at `off`, at most `maxChars` characters (a field without a terminator
// gives its first `maxChars` bytes). Never reads past the record.
inline std::string GetText(std::span<const uint8_t> r, size_t off, size_t maxChars)
{
    if (off >= r.size())
        return {};
    size_t limit = std::min(maxChars, r.size() - off);
    size_t n = 0;
    while (n < limit && r[off + n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char *>(r.data() + off), n);
}

// UTF-16 text of at most `maxUnits` units at `off`, little-endian; the terminator follows it.
inline void PutText16(std::span<uint8_t> r, size_t off, size_t maxUnits, std::u16string_view text)
{
    if (!Fits(r.size(), off, 2 * (maxUnits + 1)))
        return;
    size_t n = std::min(text.size(), maxUnits);
    for (size_t i = 0; i < n; ++i)
        PutU16(r, off + 2 * i, static_cast<uint16_t>(text[i]));
}

inline std::u16string GetText16(std::span<const uint8_t> r, size_t off, size_t maxUnits)
{
    std::u16string out;
    for (size_t i = 0; i < maxUnits && Fits(r.size(), off + 2 * i, 2); ++i) {
        char16_t c = static_cast<char16_t>(GetU16(r, off + 2 * i));
        if (c == 0)
            break;
        out.push_back(c);
    }
    return out;
}

} // namespace rec
