// A small controller on the far end of a packet device, speaking ISO transport class 4 over 802.3
// with LLC: it answers CR with CC, acknowledges DTs, answers S7 set-up/read/write and S5
// fetch/write messages, and on demand misbehaves: stays silent, numbers its answer out of sequence,
// withdraws its credit, or disconnects. Written from the wire format alone, independent of the
// library's own frame code, so that both sides check each other.
#pragma once

#include "packet_device.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ferrolink_test
{

class H1Responder
{
public:
    enum class Mode {
        Normal,
        Silent,           // records frames, answers nothing
        OutOfSequence,    // the next answer DT is numbered 2 ahead of what the peer expects
        WithdrawCredit,   // after the next answer, once the peer acknowledged it, an AK with credit 0
        DisconnectOnData, // the next DT is answered with a DR
    };

    struct Received {
        uint8_t code = 0;
        std::vector<uint8_t> unit; // from the LI on, cut at the 802.3 length
        size_t frame_size = 0;
    };

    H1Responder(std::shared_ptr<ferrolink::PacketDevice> device, const ferrolink::MacAddress &address);
    ~H1Responder();
    void Start();
    void Stop();

    void SetMode(Mode mode);
    // Gives the peer credit 1 again after a withdrawal (an AK with credit 1).
    void RestoreCredit();

    // Frames received so far (transport frames only).
    std::vector<Received> Frames();
    size_t Count(uint8_t code_high_nibble);
    // Waits until Count(code) >= n or timeout_ms passed.
    bool WaitFor(uint8_t code_high_nibble, size_t n, int timeout_ms);
    // Every frame this responder wrote.
    std::vector<std::vector<uint8_t>> Sent();

private:
    void Run();
    void Handle(std::span<const uint8_t> frame);
    void OnCr(std::span<const uint8_t> unit);
    void OnDt(std::span<const uint8_t> unit);
    std::vector<uint8_t> Answer(std::span<const uint8_t> message);
    void SendUnit(const std::vector<uint8_t> &unit);
    void SendAk(uint16_t credit);
    void SendDt(const std::vector<uint8_t> &message, uint32_t number);

    std::shared_ptr<ferrolink::PacketDevice> device_;
    ferrolink::MacAddress address_;
    std::thread thread_;
    std::atomic<bool> running_{false};

    std::mutex lock_;
    std::condition_variable changed_;
    Mode mode_ = Mode::Normal;
    std::vector<Received> frames_;
    std::vector<std::vector<uint8_t>> sent_;
    ferrolink::MacAddress peer_{};
    uint16_t peer_ref_ = 0;
    uint16_t own_ref_ = 0x4400;
    uint32_t expected_ = 0; // next DT number expected from the peer
    uint32_t next_send_ = 0;
    uint16_t credit_ = 1;
    bool withdraw_on_ak_ = false; // WithdrawCredit: the next AK from the peer is answered with credit 0
};

} // namespace ferrolink_test
