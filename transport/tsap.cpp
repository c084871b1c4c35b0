#include "tsap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ferrolink
{
namespace
{
constexpr char kS5LocalTsap[] = "PCPCPCPC";
constexpr int kS5TsapLength = 8;
constexpr int kS5RemoteTextMax = 9;

constexpr uint8_t kTypePg = 1;
constexpr uint8_t kTypeOp = 2;
constexpr uint8_t kTypeOther = 3;
constexpr uint8_t kDefaultSlot = 2;
constexpr uint8_t kCp243Tsap[2] = {0x4D, 0x57};

// Decimal number right after a key; -1 when the key is absent.
long NumberAfter(const char *text, const char *key)
{
    const char *at = std::strstr(text, key);
    if (at == nullptr) {
        return -1;
    }
    return std::strtol(at + std::strlen(key), nullptr, 10);
}

Tsaps S5Tsaps(const char *text)
{
    Tsaps t;
    std::memcpy(t.local.data(), kS5LocalTsap, kS5TsapLength);
    size_t n = strnlen(text, kS5RemoteTextMax);
    std::memcpy(t.remote.data(), text, n);
    t.length = kS5TsapLength;
    return t;
}

Tsaps S7Tsaps(const char *text)
{
    Tsaps t;
    t.local[0] = 0x01;
    t.local[1] = 0x00;
    t.length = 2;
    long slot = NumberAfter(text, "S=");
    if (slot >= 0) {
        long rack = NumberAfter(text, "R=");
        long position = slot + (rack > 0 ? rack * 32 : 0);
        t.remote[1] = static_cast<uint8_t>(position & 0xFF);
        t.remote[0] = kTypeOther;
        if (std::strstr(text, "OP") != nullptr) {
            t.remote[0] = kTypeOp;
        } else if (std::strstr(text, "PG") != nullptr) {
            t.remote[0] = kTypePg;
        }
        return t;
    }
    if (std::strstr(text, "CP243") != nullptr) {
        t.local[0] = t.remote[0] = kCp243Tsap[0];
        t.local[1] = t.remote[1] = kCp243Tsap[1];
        t.s7_200_cp = true;
        return t;
    }
    const char *fixed = std::strstr(text, "T=");
    unsigned int high = 0;
    unsigned int low = 0;
    if (fixed != nullptr && std::sscanf(fixed + 2, "%02X.%02X", &high, &low) == 2) {
        t.local[0] = t.remote[0] = static_cast<uint8_t>(high);
        t.local[1] = t.remote[1] = static_cast<uint8_t>(low);
        return t;
    }
    t.remote[0] = kTypeOther;
    t.remote[1] = kDefaultSlot;
    return t;
}
} // namespace

Tsaps ParseTsap(const char *text, int kind)
{
    const char *safe = text != nullptr ? text : "";
    return kind == 1 ? S7Tsaps(safe) : S5Tsaps(safe);
}

} // namespace ferrolink
