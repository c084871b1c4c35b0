#pragma once
// Process-local state of the library (one attachment per process) and bounds-checked access to the
// two shared objects. Internal to niolib.
#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "platform/shm.h"

#include <cstdint>
#include <optional>
#include <string>

namespace nio::detail
{

inline constexpr int16_t kNoCachedIndex = 9999;

struct State {
    kvz::ShmHandle cbHandle;
    kvz::ShmView cbView;
    kvz::ShmHandle ditHandle;
    kvz::ShmView ditView;
    bool ditMapped = false;
    uint8_t *header = nullptr;
    uint32_t mappedMap = 0; // image number that init_dit took up
    uint32_t openedMap = 0; // image number whose name MapToDIT opened or created
    int16_t channelCount = 0;
    int16_t deviceCount = 0;
    int16_t pollRecordCount = 0;
    int16_t cachedIndex = kNoCachedIndex;
    uint8_t *cachedBlock = nullptr;
    std::string appName;
    int localRegistrations = 0;
    uint32_t lastHeartbeat = 0;
    bool errorBoxOpen = false;
};

State &S();

// ---- Control block fields (the block must be held) ----
inline uint8_t *Cb()
{
    return S().cbView.data();
}
inline uint16_t CbLoad16(size_t offset)
{
    return LoadField16(Cb(), offset);
}
inline void CbStore16(size_t offset, uint16_t value)
{
    StoreField16(Cb(), offset, value);
}
inline uint32_t CbLoad32(size_t offset)
{
    return LoadField32(Cb(), offset);
}
inline void CbStore32(size_t offset, uint32_t value)
{
    StoreField32(Cb(), offset, value);
}
inline uint32_t CbAdd32(size_t offset, uint32_t delta)
{
    return AddField32(Cb(), offset, delta);
}

// ---- Image: every read checked against the mapped size ----
// Absolute offset of `length` bytes at `fromH` past the header, when they lie wholly in the image.
std::optional<size_t> ImageSpan(uint64_t fromH, uint64_t length);
std::optional<uint32_t> ImageU32(size_t absolute);
uint8_t *ImageAt(size_t absolute);

// The image name for a number, as the text builds it into 16 characters.
std::string ImageName(const char *acronym, uint32_t number, bool global);

// Installs the live-status source of poll records (once, when the link is first set up).
void InstallLiveStatusSource();

} // namespace nio::detail
