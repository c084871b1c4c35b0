#include "niolib/nio_state.h"
#include "niolib/niolib.h"

#include <cstring>

using namespace nio;
using namespace nio::detail;

int nio_get_message(const char **text, uint16_t *code, int all)
{
    static char copy[kMsgTextSize + 1];
    if (!S().cbView.valid()) {
        init_dit();
        if (!S().cbView.valid())
            return 0;
    }
    CbStore32(kCbMonitorOn, 1);
    if (all)
        CbStore32(kCbMonitorAll, 1);
    uint32_t read = CbLoad32(kCbMsgRead);
    uint32_t write = CbLoad32(kCbMsgWrite);
    if (read == write || write >= kMessageCount)
        return 0; // empty, or a write index no driver could have left
    if (read >= kMessageCount) {
        CbStore32(kCbMsgRead, write); // a read index past the ring: start again where the driver is
        return 0;
    }
    uint8_t *entry = Cb() + kCbMessages + kMessageSize * read;
    char *shared = reinterpret_cast<char *>(entry + kMsgText);
    size_t length = strnlen(shared, kMsgTextSize);
    if (char *cr = static_cast<char *>(std::memchr(shared, '\r', length))) {
        *cr = '\0';
        length = static_cast<size_t>(cr - shared);
    }
    // A copy: the driver may rewrite the entry (and its terminator) at any time.
    std::memcpy(copy, shared, length);
    copy[length] = '\0';
    if (text)
        *text = copy;
    if (code)
        *code = static_cast<uint16_t>(entry[kMsgCode] | (entry[kMsgCode + 1] << 8));
    CbStore32(kCbMsgRead, (read + 1) % kMessageCount);
    return 1;
}
