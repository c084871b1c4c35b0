#include "tpkt_reassembler.h"

namespace ferrolink
{

bool TpktReassembler::HeaderValid(std::span<const uint8_t> bytes)
{
    if (bytes[kTpktVersion] != kTpktVersion3) {
        return false;
    }
    if (bytes.size() < kTpktHeader) {
        return true; // not known yet
    }
    size_t length = (static_cast<size_t>(bytes[kTpktLength]) << 8) | bytes[kTpktLength + 1];
    return length >= kMinTpkt && length <= kMaxTpkt;
}

void TpktReassembler::NoteEmptyRead()
{
    if (pending_.empty()) {
        return;
    }
    if (++empty_reads_ >= kEmptyReadsBeforeDrop) {
        Clear();
    }
}

void TpktReassembler::Clear()
{
    pending_.clear();
    empty_reads_ = 0;
}

} // namespace ferrolink
