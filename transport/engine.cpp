#include "engine.h"

#include <optional>
#include <vector>

#include "byte_order.h"
#include "clock.h"
#include "cotp_frames.h"
#include "h1_frames.h"
#include "s5_frames.h"
#include "s7_frames.h"

namespace ferrolink
{
namespace
{
// An area code that marks a request the engine drops instead of sending.
constexpr uint32_t kAreaNothingToSend = 15;
constexpr uint8_t kResetReason = 0x00;
constexpr uint8_t kUserReason = 0x80;
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

// The DT header for the connection's framing; on H1 it carries the current send number.
void BuildDtHeader(Connection &c)
{
    if (IsTcp(c)) {
        BuildDtTcpHeader(c.send_unit);
    } else {
        BuildDtH1Header(c.send_unit, c.remote_ref, c.send_number, true);
    }
}

// Acknowledgements are built in a buffer of their own: the send buffer keeps the unit that a
// resend repeats.
void SendAk(Connection &c, std::optional<FlowControl> confirmation = std::nullopt)
{
    std::vector<uint8_t> ak;
    BuildAk(ak, c.remote_ref, c.receive_number, c.our_credit, confirmation);
    c.link->SendUnit(ak);
}

void SendDt(Connection &c)
{
    SendBuilt(c);
    c.retransmission_timer = kDtRetransmissionMs;
}

void SendS7Setup(Connection &c)
{
    BuildDtHeader(c);
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
    } else if (!IsTcp(c)) {
        SendAk(c); // class 0 has no acknowledgements
    }
}

void Deliver(Connection &c, std::span<const uint8_t> data, bool end_of_unit)
{
    if (c.kind == kKindS7) {
        DeliverS7Answer(c, data, end_of_unit);
    } else {
        DeliverS5Answer(c, data, end_of_unit);
    }
}

// Class 4 data unit: delivered only in sequence; every one is acknowledged with the number
// expected next.
void OnDtH1(Connection &c, const Unit &unit)
{
    if (unit.li < kDtH1Li) {
        return;
    }
    uint32_t number = Get32Be(&unit.bytes[kDtH1Number]) & kNumberMask;
    bool end_of_unit = (unit.bytes[kDtH1Number] & kEndOfUnit) != 0;
    if (number != c.receive_number) {
        if (NumberDistance(number, c.receive_number) > 1) {
            c.receive_number = NextNumber(number);
        }
        SendAk(c);
        return;
    }
    c.retries = 0;
    c.receive_number = NextNumber(c.receive_number);
    c.connection_timer = kConnectionTimerMs;
    SendAk(c);
    if (c.kind != kKindS7 && c.state == kStateRequestSent && c.awaiting_answer) {
        // The answer shows that our data unit arrived even if its AK has not come yet: the next
        // request must carry the next number. (The S7 handler does the same for itself.)
        c.send_number = NextNumber(c.send_number);
    }
    Deliver(c, unit.Data(), end_of_unit);
}

void OnDt(Connection &c, const Unit &unit)
{
    if (!IsTcp(c)) {
        OnDtH1(c, unit);
        return;
    }
    if (unit.li < 2) {
        return;
    }
    c.send_credit = 1;
    c.connection_timer = kConnectionTimerMs;
    c.retries = 0;
    bool end_of_unit = (unit.bytes[kDtTcpEot] & kEndOfUnit) != 0;
    Deliver(c, unit.Data(), end_of_unit);
}

// Class 4 acknowledgement: takes the peer's credit and acknowledged number, confirms its window
// where the flow-control rules ask for it, and moves the state on.
void OnAk(Connection &c, const Unit &unit)
{
    auto ak = ParseAk(unit.Header());
    if (!ak) {
        return;
    }
    FlowControl confirm{ak->acknowledged, ak->credit};
    bool grew = ak->credit > c.send_credit;
    c.send_credit = ak->credit;
    for (const FlowControl &fcc : ak->confirmations) {
        if (fcc.lower_edge != c.receive_number || fcc.credit != c.our_credit) {
            SendAk(c, confirm);
        }
    }
    bool confirm_growth = grew && !ak->has_confirmation;
    switch (c.state) {
    case kStateNotConnected: {
        // The peer still holds a connection we no longer have: end it and ask anew.
        BuildDr(c.send_unit, c.remote_ref, c.local_ref, kResetReason);
        SendBuilt(c);
        SendCr(c);
        break;
    }
    case kStateCrOutstanding:
        c.state = kStateConnected;
        c.connection_timer = kConnectionTimerMs;
        c.retries = 0;
        EngineStep(c);
        if (confirm_growth) {
            SendAk(c, confirm);
        }
        break;
    case kStateRequestSent:
        if (NumberAbove(ak->acknowledged, c.send_number)) {
            c.state = kStateAnswerExpected;
            c.retries = 0;
            c.send_number = ak->acknowledged;
            c.connection_timer = kConnectionTimerMs;
            c.retransmission_timer = kDtRetransmissionMs;
        }
        if (confirm_growth) {
            SendAk(c, confirm);
        }
        break;
    case kStateAnswerExpected:
    case kStateCollecting:
        if (ak->acknowledged == c.send_number && grew) {
            SendAk(c, confirm);
        } else {
            c.send_number = ak->acknowledged;
        }
        EngineStep(c);
        break;
    default:
        if (ak->acknowledged == c.send_number && grew) {
            SendAk(c, confirm);
            c.retransmission_timer = kRetryIntervalMs;
        }
        c.connection_timer = kConnectionTimerMs;
        c.retries = 0;
        // Taken before the step so that a request it sends carries the number the peer expects.
        c.send_number = ak->acknowledged;
        EngineStep(c);
        break;
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

// The rhythm of every resend: nothing while the retransmission timer runs; after the last retry the
// connection is reset; otherwise the retry is counted, `resend` runs and the timer starts again.
template <typename Resend> void RetryOrReset(Connection &c, Resend resend)
{
    if (c.retransmission_timer != 0) {
        return;
    }
    if (c.retries >= kMaxRetries) {
        ResetConnection(c);
        return;
    }
    ++c.retries;
    resend();
    c.retransmission_timer = kRetryIntervalMs;
}

// H1 with nothing moving: an AK every 2 seconds asks the peer for a sign of life; after 4 without
// one the connection is reset.
void AckOrReset(Connection &c)
{
    RetryOrReset(c, [&] {
        ++c.ack_resends;
        SendAk(c);
    });
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
        } else if (!IsTcp(c)) {
            AckOrReset(c);
        }
        return;
    }
    if (c.connection_timer == 0 && !IsTcp(c)) {
        AckOrReset(c);
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

// Builds the request (or set-up) in flight again as a new data unit.
void RebuildRequest(Connection &c)
{
    if (c.awaiting_setup) {
        SendS7Setup(c);
        return;
    }
    BuildDtHeader(c);
    if (c.awaiting_answer && BuildMessage(c)) {
        SendDt(c);
    }
}

void StepAwaitingAnswer(Connection &c)
{
    RetryOrReset(c, [&] {
        if (c.retries > 2 && c.send_credit != 0) {
            ++c.frame_resends;
            if (IsTcp(c)) {
                SendBuilt(c); // the frame kept in the send buffer is the request (or set-up) in flight
            } else {
                RebuildRequest(c); // with the send number that the peer now expects
            }
            c.state = kStateRequestSent;
        } else {
            ++c.ack_resends; // on TCP there is nothing to acknowledge: the retry only counts
            if (!IsTcp(c)) {
                SendAk(c);
            }
        }
    });
}

// H1, no answer in state 3: the data unit goes again unchanged, then the connection is reset.
void StepRequestSentH1(Connection &c)
{
    RetryOrReset(c, [&] {
        ++c.frame_resends;
        c.request_pending = false;
        SendBuilt(c);
    });
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
    case kCodeAk >> 4:
        if (!IsTcp(c)) {
            OnAk(c, *unit);
        }
        break;
    default:
        break; // the rest carry nothing for us; a class 0 connection has no AK
    }
}

bool SendRequestFrame(Connection &c)
{
    BuildDtHeader(c);
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
        } else {
            StepRequestSentH1(c);
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

void DisconnectConnection(Connection &c)
{
    if (IsTcp(c)) {
        c.link->Close();
    } else {
        BuildDr(c.send_unit, c.remote_ref, c.local_ref, kUserReason);
        SendBuilt(c);
    }
    ForgetRequestInFlight(c);
    c.state = kStateClosed;
}

} // namespace ferrolink
