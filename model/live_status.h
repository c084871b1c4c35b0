#pragma once
// Where poll records read their live status from. The driver-image link installs the real source;
// tests install their own. With none installed there is no running driver.
#include <cstdint>

class ILiveStatusSource
{
public:
    virtual ~ILiveStatusSource() = default;
    // Number of poll records in the running driver's image, 0 when there is none.
    virtual long ImagePollRecordCount() = 0;
    // Status word of poll record `index` of the image; only called with 0 <= index < the count.
    virtual uint16_t ImageStatusWord(long index) = 0;
};

inline ILiveStatusSource *&LiveStatusSourceSlot()
{
    static ILiveStatusSource *source = nullptr;
    return source;
}
inline ILiveStatusSource *GetLiveStatusSource()
{
    return LiveStatusSourceSlot();
}
// Not owned; null removes the source.
inline void SetLiveStatusSource(ILiveStatusSource *source)
{
    LiveStatusSourceSlot() = source;
}
