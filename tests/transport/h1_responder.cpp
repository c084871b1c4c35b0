#include "h1_responder.h"

#include <algorithm>
#include <chrono>

namespace ferrolink_test
{
namespace
{
uint16_t Be16(const uint8_t *p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
uint32_t Be32(const uint8_t *p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
void Push16(std::vector<uint8_t> &v, uint16_t x)
{
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}
void Push32(std::vector<uint8_t> &v, uint32_t x)
{
    Push16(v, static_cast<uint16_t>(x >> 16));
    Push16(v, static_cast<uint16_t>(x));
}
void PushRef(std::vector<uint8_t> &v, uint16_t ref) // references travel low byte first
{
    v.push_back(static_cast<uint8_t>(ref));
    v.push_back(static_cast<uint8_t>(ref >> 8));
}

// Controller memory is a pattern: the byte at address a of any area is (a * 7 + 3) mod 256.
uint8_t Pattern(uint32_t address)
{
    return static_cast<uint8_t>(address * 7 + 3);
}

std::vector<uint8_t> S7Header(uint8_t type, const uint8_t *reference, size_t parameters, size_t data)
{
    std::vector<uint8_t> m = {0x32, type, reference[0], reference[1], reference[2], reference[3]};
    Push16(m, static_cast<uint16_t>(parameters));
    Push16(m, static_cast<uint16_t>(data));
    m.push_back(0x00); // error class
    m.push_back(0x00); // error code
    return m;
}
} // namespace

H1Responder::H1Responder(std::shared_ptr<ferrolink::PacketDevice> device,
                         const ferrolink::MacAddress &address)
    : device_(std::move(device)), address_(address)
{
}

H1Responder::~H1Responder()
{
    Stop();
}

void H1Responder::Start()
{
    running_ = true;
    thread_ = std::thread([this] { Run(); });
}

void H1Responder::Stop()
{
    running_ = false;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void H1Responder::SetMode(Mode mode)
{
    std::lock_guard guard(lock_);
    mode_ = mode;
}

void H1Responder::RestoreCredit()
{
    std::lock_guard guard(lock_);
    credit_ = 1;
    SendAk(credit_);
}

std::vector<H1Responder::Received> H1Responder::Frames()
{
    std::lock_guard guard(lock_);
    return frames_;
}

size_t H1Responder::Count(uint8_t nibble)
{
    std::lock_guard guard(lock_);
    return static_cast<size_t>(std::count_if(frames_.begin(), frames_.end(),
                                             [&](const Received &r) { return (r.code >> 4) == nibble; }));
}

bool H1Responder::WaitFor(uint8_t nibble, size_t n, int timeout_ms)
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(timeout_ms), [&] {
        return static_cast<size_t>(std::count_if(frames_.begin(), frames_.end(), [&](const Received &r) {
                   return (r.code >> 4) == nibble;
               })) >= n;
    });
}

std::vector<std::vector<uint8_t>> H1Responder::Sent()
{
    std::lock_guard guard(lock_);
    return sent_;
}

void H1Responder::Run()
{
    std::vector<uint8_t> buffer(1518);
    while (running_) {
        long got = device_->ReadFrame(buffer, 50);
        if (got < 0) {
            break;
        }
        if (got > 0) {
            Handle(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(got)));
        }
    }
}

void H1Responder::Handle(std::span<const uint8_t> frame)
{
    if (frame.size() < 20 || frame[14] != 0xFE || frame[15] != 0xFE || frame[16] != 0x03) {
        return;
    }
    size_t length = Be16(&frame[12]);
    if (length < 6 || length > frame.size() - 14) {
        return;
    }
    auto unit = frame.subspan(18, length - 4);
    if (unit[0] + 1u > unit.size()) {
        return;
    }
    std::lock_guard guard(lock_);
    std::copy_n(frame.begin() + 6, 6, peer_.begin());
    frames_.push_back({unit[1], std::vector<uint8_t>(unit.begin(), unit.end()), frame.size()});
    changed_.notify_all();
    if (mode_ == Mode::Silent) {
        return;
    }
    switch (unit[1] >> 4) {
    case 0xE:
        OnCr(unit);
        break;
    case 0xF:
        OnDt(unit);
        break;
    case 0x8: { // DR: confirm it
        std::vector<uint8_t> dc = {5, 0xC0};
        PushRef(dc, peer_ref_);
        PushRef(dc, own_ref_);
        SendUnit(dc);
        break;
    }
    case 0x6:
        // The peer's AK of the answer: the answer has been taken, so the withdrawal comes after it
        // (sent with the answer, it could overtake it).
        if (withdraw_on_ak_) {
            withdraw_on_ak_ = false;
            credit_ = 0;
            SendAk(credit_);
        }
        break;
    default:
        break; // DC: recorded only
    }
}

void H1Responder::OnCr(std::span<const uint8_t> unit)
{
    if (unit.size() < 7) {
        return;
    }
    peer_ref_ = static_cast<uint16_t>(unit[4] | (unit[5] << 8));
    ++own_ref_;
    expected_ = 0;
    next_send_ = 0;
    credit_ = 1;
    std::vector<uint8_t> cc = {0, 0xD1};
    PushRef(cc, peer_ref_);
    PushRef(cc, own_ref_);
    cc.push_back(0x42);
    cc.insert(cc.end(), {0xC0, 0x01, 0x0A}); // TPDU size 1024
    cc[0] = static_cast<uint8_t>(cc.size() - 1);
    SendUnit(cc);
}

void H1Responder::OnDt(std::span<const uint8_t> unit)
{
    if (unit[0] < 7) {
        return;
    }
    uint32_t number = Be32(&unit[4]) & 0x7FFFFFFF;
    if (number != expected_) {
        SendAk(credit_); // a repeat: acknowledge what we expect
        return;
    }
    expected_ = (expected_ + 1) & 0x7FFFFFFF;
    if (mode_ == Mode::DisconnectOnData) {
        mode_ = Mode::Normal;
        std::vector<uint8_t> dr = {6, 0x80};
        PushRef(dr, peer_ref_);
        PushRef(dr, own_ref_);
        dr.push_back(0x00);
        SendUnit(dr);
        return;
    }
    // Before a withdrawal the answer alone acknowledges the request: an AK of credit 1 sent ahead of
    // it could be taken after the withdrawing one, since the peer reads with several threads.
    if (mode_ != Mode::WithdrawCredit) {
        SendAk(credit_);
    }
    auto answer = Answer(unit.subspan(unit[0] + 1u));
    if (answer.empty()) {
        return;
    }
    uint32_t number_sent = next_send_;
    if (mode_ == Mode::OutOfSequence) {
        mode_ = Mode::Normal;
        number_sent = (next_send_ + 2) & 0x7FFFFFFF; // as if two units had been lost on the way
    }
    SendDt(answer, number_sent);
    next_send_ = (number_sent + 1) & 0x7FFFFFFF;
    if (mode_ == Mode::WithdrawCredit) {
        mode_ = Mode::Normal;
        withdraw_on_ak_ = true;
    }
}

std::vector<uint8_t> H1Responder::Answer(std::span<const uint8_t> m)
{
    if (m.size() >= 10 && m[0] == 0x32 && m[1] == 0x01) {
        size_t parameters = Be16(&m[6]);
        if (m.size() < 10 + parameters || parameters < 2) {
            return {};
        }
        const uint8_t *reference = &m[2];
        uint8_t function = m[10];
        if (function == 0xF0) {
            auto a = S7Header(0x03, reference, 8, 0);
            a.insert(a.end(), {0xF0, 0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0xE0}); // PDU 480
            return a;
        }
        uint8_t count = m[11];
        if (parameters < 2u + 12u * count) {
            return {};
        }
        std::vector<uint8_t> data;
        for (uint8_t i = 0; i < count; ++i) {
            const uint8_t *item = &m[12 + 12 * i];
            uint16_t length = Be16(item + 4);
            uint32_t start = ((uint32_t{item[9]} << 16) | (uint32_t{item[10]} << 8) | item[11]) / 8;
            if (function == 0x04) {
                data.insert(data.end(), {0xFF, 0x04});
                Push16(data, static_cast<uint16_t>(length * 8));
                for (uint16_t b = 0; b < length; ++b) {
                    data.push_back(Pattern(start + b));
                }
                if (length % 2 == 1 && i + 1 < count) {
                    data.push_back(0);
                }
            } else {
                data.push_back(0xFF);
            }
        }
        auto a = S7Header(0x03, reference, 2, data.size());
        a.push_back(function);
        a.push_back(count);
        a.insert(a.end(), data.begin(), data.end());
        return a;
    }
    if (m.size() >= 16 && m[0] == 0x53 && m[1] == 0x35) {
        bool fetch = m[5] == 0x05;
        uint16_t start = Be16(&m[10]);
        uint16_t words = Be16(&m[12]);
        std::vector<uint8_t> a = {0x53, 0x35, 0x10, 0x01, 0x03, static_cast<uint8_t>(fetch ? 0x06 : 0x04),
                                  0x0F, 0x03, 0x00, 0xFF, 0x07, 0,
                                  0,    0,    0,    0};
        if (fetch) {
            for (uint32_t b = 0; b < words * 2u; ++b) {
                a.push_back(Pattern(start * 2u + b));
            }
        }
        return a;
    }
    return {};
}

void H1Responder::SendUnit(const std::vector<uint8_t> &unit)
{
    std::vector<uint8_t> frame(peer_.begin(), peer_.end());
    frame.insert(frame.end(), address_.begin(), address_.end());
    Push16(frame, static_cast<uint16_t>(unit.size() + 4));
    frame.insert(frame.end(), {0xFE, 0xFE, 0x03, 0x00});
    frame.insert(frame.end(), unit.begin(), unit.end());
    if ((unit[1] >> 4) != 0xF && frame.size() < 60) {
        frame.resize(60, 0);
    }
    sent_.push_back(frame);
    device_->WriteFrame(frame);
}

void H1Responder::SendAk(uint16_t credit)
{
    std::vector<uint8_t> ak = {9, 0x60};
    PushRef(ak, peer_ref_);
    Push32(ak, expected_);
    Push16(ak, credit);
    SendUnit(ak);
}

void H1Responder::SendDt(const std::vector<uint8_t> &message, uint32_t number)
{
    std::vector<uint8_t> dt = {7, 0xF0};
    PushRef(dt, peer_ref_);
    Push32(dt, number | 0x80000000u);
    dt.insert(dt.end(), message.begin(), message.end());
    SendUnit(dt);
}

} // namespace ferrolink_test
