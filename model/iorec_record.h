#pragma once
// The sizes of the five data areas that follow a poll record in the file and in the running driver's
// image (the record's offsets are in platform/record_layout.h).
#include "platform/record_layout.h"

#include <cstddef>
#include <cstdint>

// Sizes of the five data areas of a poll record. The 16-bit sizes wrap as 16-bit numbers, as the
// driver reads them.
struct IORecAreaSizes {
    uint16_t area1 = 0;
    uint16_t area2 = 0;
    uint16_t area3 = 0;
    uint32_t area4 = 0;
    uint16_t area5 = 0;

    bool operator==(const IORecAreaSizes &) const = default;
};

// The areas of a record of `family` with exception value `exceptionValue` (KVZ_Exception_dct), data
// type value `dataTypeCode` and `length` elements.
IORecAreaSizes IORecAreaSizesOf(int16_t family, uint16_t exceptionValue, uint16_t dataTypeCode,
                                uint16_t length);
