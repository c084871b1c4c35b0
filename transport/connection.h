// The connection record: everything one ISO transport connection to one controller holds.
#pragma once

#include "frame_link.h"
#include "request_block.h"
#include "tpkt_reassembler.h"
#include "tsap.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace ferrolink
{

enum ConnectionState : int {
    kStateNotConnected = 0,
    kStateCrOutstanding = 1,
    kStateConnected = 2,
    kStateRequestSent = 3,
    kStateAnswerExpected = 4,
    kStateCollecting = 6,
    kStateClosed = 7,
};

enum ConnectionKind : int { kKindS5 = 0, kKindS7 = 1, kKindS5Form2 = 2 };

constexpr int32_t kCrRetransmissionMs = 1000;
constexpr int32_t kConnectionTimerMs = 5000;
constexpr int32_t kDtRetransmissionMs = 3000;
constexpr int32_t kRetryIntervalMs = 2000;
constexpr int kMaxRetries = 4;
constexpr uint32_t kSequenceMask = 0x7FFFFFFF;
constexpr size_t kMaxS7Message = 4096;

// The fields, apart from the lock, so that a slot can be cleared by assigning a fresh record.
struct ConnectionRecord {
    bool in_use = false; // the slot belongs to a created, not yet killed connection

    int state = kStateClosed;
    uint16_t local_ref = 0;
    uint16_t remote_ref = 0;
    int32_t retransmission_timer = 0;
    int32_t connection_timer = 0;
    uint32_t last_step_tick = 0;
    uint16_t send_credit = 0;
    uint16_t our_credit = 1;
    std::array<uint8_t, 6> remote_address{};
    uint32_t receive_number = 0;
    uint32_t send_number = 0;
    Tsaps tsaps;
    int channel = 0;
    int channel_kind = 0;
    int kind = kKindS5;

    bool request_pending = false; // a request waits for the connection to become ready
    bool write = false;
    bool awaiting_answer = false; // a request went out and its answer has not completed it
    bool awaiting_setup = false;  // the S7 set-up went out and its answer has not come
    RequestBlock request;
    int retries = 0;

    uint32_t frame_resends = 0;
    uint32_t ack_resends = 0;
    uint32_t pending_sent = 0;
    uint32_t reconnections = 0;
    uint32_t disconnects_received = 0;

    uint16_t pdu_size = 0;
    uint8_t tpdu_size_code = 0;
    uint32_t requested_items = 0;
    uint32_t status_tick = 0;
    uint32_t status_items = 0;

    std::unique_ptr<FrameLink> link;
    std::vector<uint8_t> send_unit;  // the last unit built, kept for resends
    TpktReassembler reassembly;      // TCP stream pieces
    std::vector<uint8_t> s7_message; // an S7 answer arriving in several data units
    uint32_t s5_collected = 0;       // S5 fetch bytes collected in the data area
    uint32_t requested_count = 0;    // items of the request in flight, as sent
};

struct Connection : ConnectionRecord {
    std::mutex lock;
    void Clear() { static_cast<ConnectionRecord &>(*this) = ConnectionRecord{}; }
};

} // namespace ferrolink
