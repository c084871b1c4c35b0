#include "driver/message_ring.h"

#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"

#include <algorithm>
#include <cstring>

namespace spoll
{

bool PostDriverMessage(uint8_t *block, uint16_t code, std::string_view text)
{
    uint32_t write = nio::LoadField32(block, nio::kCbMsgWrite) % nio::kMessageCount;
    uint32_t next = (write + 1) % nio::kMessageCount;
    if (next == nio::LoadField32(block, nio::kCbMsgRead))
        return false; // full: an unread message is never overwritten
    uint8_t *entry = block + nio::kCbMessages + nio::kMessageSize * write;
    std::memset(entry, 0, nio::kMessageSize);
    entry[nio::kMsgCode] = static_cast<uint8_t>(code);
    entry[nio::kMsgCode + 1] = static_cast<uint8_t>(code >> 8);
    std::memcpy(entry + nio::kMsgText, text.data(), std::min(text.size(), nio::kMsgTextSize - 1));
    nio::StoreField32(block, nio::kCbMsgWrite, next);
    return true;
}

} // namespace spoll
