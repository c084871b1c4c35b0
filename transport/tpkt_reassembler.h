// Cuts the TCP byte stream into TPKTs (RFC 1006): several TPKTs in one read, TPKTs split across
// reads, and garbage that makes the stream unusable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ferrolink
{

constexpr int kTpktHeader = 4;
constexpr int kTpktVersion = 0;
constexpr int kTpktLength = 2;
constexpr uint8_t kTpktVersion3 = 3;
constexpr size_t kMinTpkt = 7;    // header, LI, code and one more byte: the shortest unit we use
constexpr size_t kMaxTpkt = 4096; // above the 2048-byte TPDU we ask for
constexpr int kEmptyReadsBeforeDrop = 500;

class TpktReassembler
{
public:
    // Hands every complete TPKT (header included) to on_tpkt, in order, and keeps a trailing partial
    // one. A header that is not version 3 or whose length is outside [kMinTpkt, kMaxTpkt] cannot be
    // resynchronised: everything kept and the rest of this read are dropped.
    template <typename OnTpkt> void Feed(std::span<const uint8_t> bytes, OnTpkt &&on_tpkt)
    {
        empty_reads_ = 0;
        if (pending_.empty()) {
            auto rest = Cut(bytes, on_tpkt);
            if (!dropped_) {
                pending_.assign(rest.begin(), rest.end());
            }
        } else {
            pending_.insert(pending_.end(), bytes.begin(), bytes.end());
            auto rest = Cut(std::span<const uint8_t>(pending_), on_tpkt);
            if (!dropped_) {
                pending_.erase(pending_.begin(), pending_.end() - static_cast<std::ptrdiff_t>(rest.size()));
            } else {
                pending_.clear();
            }
        }
        dropped_ = false;
    }

    // A read that brought nothing: a kept piece is dropped after kEmptyReadsBeforeDrop of them.
    void NoteEmptyRead();
    void Clear();
    size_t Pending() const { return pending_.size(); }

private:
    static bool HeaderValid(std::span<const uint8_t> bytes);

    template <typename OnTpkt> std::span<const uint8_t> Cut(std::span<const uint8_t> bytes, OnTpkt &on_tpkt)
    {
        while (!bytes.empty()) {
            if (!HeaderValid(bytes)) {
                dropped_ = true;
                return {};
            }
            if (bytes.size() < kTpktHeader) {
                break;
            }
            size_t length = (static_cast<size_t>(bytes[kTpktLength]) << 8) | bytes[kTpktLength + 1];
            if (bytes.size() < length) {
                break;
            }
            on_tpkt(bytes.first(length));
            bytes = bytes.subspan(length);
        }
        return bytes;
    }

    std::vector<uint8_t> pending_;
    int empty_reads_ = 0;
    bool dropped_ = false;
};

} // namespace ferrolink
