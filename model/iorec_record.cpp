#include "model/iorec_record.h"

#include "model/siemens_address.h"

namespace
{

// Exception values of KVZ_Exception_dct.
constexpr uint16_t kExceptionAnalog = 1;
constexpr uint16_t kExceptionDigital = 2;
constexpr uint16_t kExceptionAscii = 3;

// TI data types whose elements take two words.
constexpr uint16_t kTiLong = 11;
constexpr uint16_t kTiFloat = 13;

uint16_t Times(uint16_t length, unsigned factor)
{
    return static_cast<uint16_t>(length * factor);
}

} // namespace

IORecAreaSizes IORecAreaSizesOf(int16_t family, uint16_t exceptionValue, uint16_t dataTypeCode,
                                uint16_t length)
{
    IORecAreaSizes s;
    bool s7 = IsS7Family(family);
    if (family == kFamilyS5) {
        s.area1 = s.area2 = s.area3 = Times(length, 2);
    } else if (s7) {
        s.area1 = s.area2 = s.area3 = length;
    } else if (family == kFamilyTi) {
        bool twoWords = dataTypeCode == kTiLong || dataTypeCode == kTiFloat;
        s.area1 = s.area2 = Times(length, twoWords ? 4 : 2);
        s.area3 = Times(length, 2);
    }
    switch (exceptionValue) {
    case kExceptionDigital:
        s.area5 = Times(length, s7 ? 32 : 64);
        break;
    case kExceptionAnalog:
        if (s7) {
            s.area5 = Times(static_cast<uint16_t>(length / 2), 4);
        } else {
            s.area5 = Times(length, 4);
            s.area4 = static_cast<uint32_t>(length) * 2; // a 32-bit field: no 16-bit wrap
        }
        break;
    case kExceptionAscii:
        s.area5 = Times(length, 4);
        break;
    default:
        break;
    }
    return s;
}
