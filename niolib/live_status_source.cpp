#include "model/live_status.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_state.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

using namespace nio;

namespace
{

// Status a record keeps when the image cannot be read right now: the value it starts with.
constexpr uint16_t kNoStatus = 97;

class NioLiveStatusSource : public ILiveStatusSource
{
public:
    long ImagePollRecordCount() override { return detail::S().ditMapped ? nio_rec_count() : 0; }

    uint16_t ImageStatusWord(long index) override
    {
        // The image may have moved on since the count was taken; look again before indexing.
        if (!nio_map_hdr() || index < 0 || index >= nio_rec_count())
            return kNoStatus;
        const uint8_t *block = nio_map_dit(static_cast<int16_t>(index));
        return block ? ReadU16(block, kBlkStatus) : kNoStatus;
    }
};

} // namespace

namespace nio::detail
{
void InstallLiveStatusSource()
{
    static NioLiveStatusSource source;
    if (GetLiveStatusSource() != &source)
        SetLiveStatusSource(&source);
}
} // namespace nio::detail
