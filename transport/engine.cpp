#include "engine.h"

#include "clock.h"
#include "cotp_frames.h"
#include "s5_frames.h"
#include "s7_frames.h"

namespace ferrolink
{
namespace
{
// An area code that marks a request the engine drops instead of sending.
constexpr uint32_t kAreaNothingToSend = 15;
constexpr uint8_t kResetReason = 0x00;
// Room for the message in one frame: 1518 bytes less the Ethernet, LLC/TPKT and DT headers.
constexpr size_t kMaxMessage = 1518 - 14 - 4 - 7;

int SendBuilt(Connection &c)
{
    return c.link->SendUnit(c.send_unit);
}

bool IsTcp(const Connection &c)
{
    return c.link->Kind() == Framing::Tcp;
}

void CountDown(int32_t &timer, uint32_t elapsed)
{
    timer = elapsed >= static_cast<uint32_t>(timer) ? 0 : timer - static_cast<int32_t>(elapsed);
}

// A request that no answer will complete any more (its connection went away).
void ForgetRequestInFlight(Connection &c)
{
    c.awaiting_answer = false;
    c.awaiting_setup = false;
    c.s7_message.clear();
}

bool BuildMessage(Connection &c)
{
    if (c.kind == kKindS7) {
        return c.write ? AppendS7Write(c.send_unit, c.request) : AppendS7Read(c.send_unit, c.request);
    }
    S5Form form = c.kind == kKindS5Form2 ? S5Form::Second : S5Form::First;
    return AppendS5Request(c.send_unit, c.request, c.write, form, kMaxMessage);
}

void SendDt(Connection &c)
{
    SendBuilt(c);
    c.retransmission_timer = kDtRetransmissionMs;
}

void SendS7Setup(Connection &c)
{
    BuildDtTcpHeader(c.send_unit);
    AppendS7Setup(c.send_unit);
    SendDt(c);
    c.awaiting_setup = true;
    c.state = kStateRequestSent;
}

void OnCc(Connection &c, const Unit &unit)
{
    c.connection_timer = kConnectionTimerMs;
    c.remote_ref = ReadReference(unit.Header(), kUnitSourceRef);
    c.retries = 0;
    c.receive_number = 0;
    c.send_number = 0;
    c.our_credit = 1;
    c.send_credit = IsTcp(c) ? 1 : static_cast<uint16_t>(unit.code & 0x0F);
    if (auto size = CcTpduSize(unit)) {
        c.tpdu_size_code = *size;
    }
    ForgetRequestInFlight(c);
    c.state = kStateConnected;
    if (c.kind == kKindS7) {
        SendS7Setup(c);
    }
    // Class 0 has no acknowledgements; the H1 link acknowledges the CC with an AK.
}

void OnDt(Connection &c, const Unit &unit)
{
    if (!IsTcp(c)) {
        return; // class 4 sequencing and acknowledgement belong to the H1 side
    }
    if (unit.li < 2) {
        return;
    }
    c.send_credit = 1;
    c.connection_timer = kConnectionTimerMs;
    c.retries = 0;
    bool end_of_unit = (unit.bytes[kDtTcpEot] & kEndOfUnit) != 0;
    if (c.kind == kKindS7) {
        DeliverS7Answer(c, unit.Data(), end_of_unit);
    } else {
        DeliverS5Answer(c, unit.Data(), end_of_unit);
    }
}

void OnDr(Connection &c)
{
    if (!IsTcp(c)) {
        BuildDc(c.send_unit, c.remote_ref, c.local_ref);
        SendBuilt(c);
    }
    ForgetRequestInFlight(c);
    c.state = kStateNotConnected;
    ++c.disconnects_received;
    c.retries = 0;
}

void StepIdle(Connection &c)
{
    if (c.request_pending) {
        if (c.request.Area(0) == kAreaNothingToSend) {
            c.request_pending = false;
        } else if (c.send_credit != 0) {
            c.request_pending = false;
            ++c.pending_sent;
            SendRequestFrame(c);
        }
        return;
    }
    if (c.connection_timer == 0 && IsTcp(c)) {
        if (!c.link->Connected()) {
            c.state = kStateNotConnected;
        }
        c.retries = 0;
        c.connection_timer = kConnectionTimerMs;
        c.retransmission_timer = kRetryIntervalMs;
    }
}

void StepAwaitingAnswer(Connection &c)
{
    if (c.retransmission_timer != 0) {
        return;
    }
    if (c.retries >= kMaxRetries) {
        ResetConnection(c);
        return;
    }
    ++c.retries;
    if (c.retries > 2 && c.send_credit != 0) {
        // The frame kept in the send buffer is the request (or set-up) in flight.
        ++c.frame_resends;
        SendBuilt(c);
        c.state = kStateRequestSent;
    } else {
        ++c.ack_resends; // on TCP there is nothing to acknowledge: the retry only counts
    }
    c.retransmission_timer = kRetryIntervalMs;
}
} // namespace

void SendCr(Connection &c)
{
    BuildCr(c.send_unit, c.local_ref, c.tsaps, c.link->Kind());
    SendBuilt(c);
    c.retransmission_timer = kCrRetransmissionMs;
    c.connection_timer = kConnectionTimerMs;
}

void DispatchUnit(Connection &c, std::span<const uint8_t> bytes)
{
    auto unit = ParseUnit(bytes);
    if (!unit || c.state == kStateClosed) {
        return;
    }
    switch (unit->code >> 4) {
    case kCodeCc >> 4:
        OnCc(c, *unit);
        break;
    case kCodeDt >> 4:
        OnDt(c, *unit);
        break;
    case kCodeDr >> 4:
        OnDr(c);
        break;
    default:
        break; // AK and the rest carry nothing for a class 0 connection
    }
}

bool SendRequestFrame(Connection &c)
{
    if (IsTcp(c)) {
        BuildDtTcpHeader(c.send_unit);
    }
    if (!BuildMessage(c)) {
        // The request cannot be put into a frame: it ends at once, nothing sent.
        c.request.SetCompletion(FL_COMPLETION_OTHER_REFERENCE);
        return false;
    }
    c.requested_count = c.kind == kKindS7 ? c.request.ItemCount() : 1;
    c.requested_items += c.requested_count;
    c.s5_collected = 0;
    c.s7_message.clear();
    c.awaiting_answer = true;
    SendDt(c);
    c.state = kStateRequestSent;
    return true;
}

int SubmitRequest(Connection &c, RequestBlock request, bool write)
{
    if (c.request_pending || c.awaiting_answer) {
        return 0;
    }
    c.request = request;
    c.write = write;
    c.request.SetCompletion(FL_COMPLETION_RUNNING);
    if (c.state == kStateConnected && c.send_credit >= 1) {
        SendRequestFrame(c);
    } else {
        c.request_pending = true;
    }
    return 1;
}

void CompleteRequest(Connection &c, uint32_t completion)
{
    c.request.SetCompletion(completion);
    c.awaiting_answer = false;
    c.s7_message.clear();
    c.state = kStateConnected;
}

void ResetConnection(Connection &c)
{
    if (IsTcp(c)) {
        c.link->Reconnect();
        ++c.reconnections;
    } else {
        BuildDr(c.send_unit, c.remote_ref, c.local_ref, kResetReason);
        SendBuilt(c);
        c.retransmission_timer = kCrRetransmissionMs;
    }
    ForgetRequestInFlight(c);
    SendCr(c);
    ++c.reconnections;
    c.retries = 0;
    c.state = kStateNotConnected;
}

void EngineStep(Connection &c)
{
    uint32_t now = CurrentClock().TickMs();
    uint32_t elapsed = now - c.last_step_tick;
    c.last_step_tick = now;
    CountDown(c.retransmission_timer, elapsed);
    CountDown(c.connection_timer, elapsed);
    switch (c.state) {
    case kStateNotConnected:
        if (c.connection_timer == 0) {
            if (IsTcp(c) && !c.link->Connected()) {
                c.link->Reconnect();
                ++c.reconnections;
            }
            SendCr(c);
            ++c.retries;
        }
        break;
    case kStateCrOutstanding:
        if (c.connection_timer == 0) {
            SendCr(c);
            ++c.retries;
            c.state = kStateNotConnected;
        }
        break;
    case kStateConnected:
        StepIdle(c);
        break;
    case kStateRequestSent:
        if (IsTcp(c)) {
            c.state = kStateAnswerExpected;
        }
        break;
    case kStateAnswerExpected:
    case kStateCollecting:
        StepAwaitingAnswer(c);
        break;
    default:
        break;
    }
}

} // namespace ferrolink
