// Reading and writing numbers in byte buffers: big-endian on the wire, little-endian in the
// caller's request block. Callers check bounds before calling.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ferrolink
{

inline uint16_t Get16Be(const uint8_t *p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline void Put16Be(uint8_t *p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline uint32_t Get32Be(const uint8_t *p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
inline uint16_t Get16Le(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline void Put16Le(uint8_t *p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline uint32_t Get32Le(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void Put32Le(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

inline void Append16Be(std::vector<uint8_t> &out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
inline void Append32Be(std::vector<uint8_t> &out, uint32_t v)
{
    Append16Be(out, static_cast<uint16_t>(v >> 16));
    Append16Be(out, static_cast<uint16_t>(v));
}
// References travel as stored: low byte first.
inline void AppendReference(std::vector<uint8_t> &out, uint16_t ref)
{
    out.push_back(static_cast<uint8_t>(ref));
    out.push_back(static_cast<uint8_t>(ref >> 8));
}

} // namespace ferrolink
