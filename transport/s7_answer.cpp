// The S7 answer handler: set-up answers, read and write answers, collected over several data
// units when the peer splits them.
#include "byte_order.h"
#include "engine.h"
#include "s7_frames.h"

#include <algorithm>

namespace ferrolink
{
namespace
{
constexpr uint8_t kTransportBit = 0x03;
constexpr uint8_t kTransportInteger = 0x05;

uint32_t FailureCode(uint8_t return_code)
{
    return return_code == 0 ? 1u : return_code;
}

void SetAllResults(Connection &c, uint32_t result)
{
    for (uint32_t i = 0; i < c.requested_count && i < FL_MAX_ITEMS; ++i) {
        c.request.SetResult(static_cast<int>(i), result);
    }
}

bool IsSetupAnswer(std::span<const uint8_t> m)
{
    return m.size() >= kS7SetupPduSize + 2 && m[kS7MessageType] == kS7AckData &&
           Get16Be(&m[kS7Reference]) == 0 && Get16Be(&m[kS7PduReference]) == kS7SetupReference &&
           m[kS7AckHeader] == kS7FunctionSetup;
}

// Item data length in bytes from an answer item's transport size and length field.
size_t ItemBytes(uint8_t transport, uint16_t length)
{
    bool in_bits =
        transport == kTransportBit || transport == kS7TransportByteBits || transport == kTransportInteger;
    return in_bits ? (length + 7u) / 8u : length;
}

void FillReadItems(Connection &c, std::span<const uint8_t> data)
{
    size_t at = 0;
    uint32_t count = std::min<uint32_t>(c.requested_count, FL_MAX_ITEMS);
    for (uint32_t i = 0; i < count; ++i) {
        int item = static_cast<int>(i);
        c.request.SetBytesReturned(item, 0);
        if (at + 4 > data.size()) {
            c.request.SetResult(item, FL_RESULT_SHORT_ANSWER);
            continue;
        }
        uint8_t code = data[at];
        uint8_t transport = data[at + 1];
        uint16_t length = Get16Be(&data[at + 2]);
        // A failed item carries no data, whatever its length field says.
        size_t bytes = code == kS7ItemOk ? ItemBytes(transport, length) : 0;
        at += 4;
        if (bytes > data.size() - at) {
            c.request.SetResult(item, FL_RESULT_SHORT_ANSWER);
            at = data.size();
            continue;
        }
        uint16_t wanted = c.request.Length(item);
        bool fits = wanted <= FL_RB_SLOT_SIZE;
        if (code == kS7ItemOk && transport == kS7TransportByteBits && length % 8 == 0 &&
            length / 8 == wanted && fits) {
            auto slot = c.request.Slot(item);
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at), wanted, slot.begin());
            c.request.SetBytesReturned(item, wanted);
            c.request.SetResult(item, FL_RESULT_OK);
        } else {
            c.request.SetResult(item, FailureCode(code));
        }
        at += bytes;
        if (bytes % 2 == 1 && i + 1 < count && at < data.size()) {
            ++at;
        }
    }
}

void FillWriteItems(Connection &c, std::span<const uint8_t> data)
{
    uint32_t count = std::min<uint32_t>(c.requested_count, FL_MAX_ITEMS);
    for (uint32_t i = 0; i < count; ++i) {
        int item = static_cast<int>(i);
        if (i >= data.size()) {
            c.request.SetResult(item, FL_RESULT_SHORT_ANSWER);
        } else {
            c.request.SetResult(item, data[i] == kS7ItemOk ? FL_RESULT_OK : FailureCode(data[i]));
        }
    }
}

void OnAnswer(Connection &c, std::span<const uint8_t> m)
{
    if (m.size() < kS7AckHeader || m[kS7Protocol] != kS7ProtocolId) {
        SetAllResults(c, FL_RESULT_NOT_DATA_ACK);
        CompleteRequest(c, FL_COMPLETION_DONE);
        return;
    }
    if (Get16Be(&m[kS7PduReference]) != (c.request.Reference() & 0xFFFF)) {
        CompleteRequest(c, FL_COMPLETION_OTHER_REFERENCE);
        return;
    }
    uint8_t type = m[kS7MessageType];
    size_t header = (type == kS7Ack || type == kS7AckData) ? kS7AckHeader : kS7JobHeader;
    size_t parameters = Get16Be(&m[kS7ParameterLength]);
    size_t data_length = Get16Be(&m[kS7DataLength]);
    if (m.size() < header + parameters + data_length) {
        SetAllResults(c, FL_RESULT_SHORT_ANSWER);
        CompleteRequest(c, FL_COMPLETION_DONE);
        return;
    }
    uint8_t function = c.write ? kS7FunctionWrite : kS7FunctionRead;
    if (type == kS7AckData && parameters >= 2 && m[header] == function &&
        m[header + 1] == c.requested_count) {
        auto data = m.subspan(header + parameters, data_length);
        if (c.write) {
            FillWriteItems(c, data);
        } else {
            FillReadItems(c, data);
        }
    } else {
        SetAllResults(c, type == kS7Ack ? FL_RESULT_PLAIN_ACK : FL_RESULT_NOT_DATA_ACK);
    }
    CompleteRequest(c, FL_COMPLETION_DONE);
}
} // namespace

void DeliverS7Answer(Connection &c, std::span<const uint8_t> data, bool end_of_unit)
{
    if (c.state == kStateRequestSent) {
        c.send_number = (c.send_number + 1) & kSequenceMask;
    }
    if (!c.awaiting_answer && !c.awaiting_setup) {
        return; // nothing asked: a stray or late answer
    }
    if (!end_of_unit || !c.s7_message.empty()) {
        if (c.s7_message.size() + data.size() > kMaxS7Message) {
            // Longer than any answer we can ask for: give up on it.
            c.s7_message.clear();
            if (c.awaiting_answer) {
                SetAllResults(c, FL_RESULT_NOT_DATA_ACK);
                CompleteRequest(c, FL_COMPLETION_DONE);
            }
            return;
        }
        c.s7_message.insert(c.s7_message.end(), data.begin(), data.end());
        if (!end_of_unit) {
            c.state = kStateCollecting;
            return;
        }
        data = c.s7_message;
    }
    if (c.awaiting_setup) {
        if (IsSetupAnswer(data)) {
            c.pdu_size = Get16Be(&data[kS7SetupPduSize]);
            c.awaiting_setup = false;
            c.s7_message.clear();
            c.state = kStateConnected;
        }
        c.s7_message.clear();
        return;
    }
    // OnAnswer may clear s7_message, which `data` may point into: work on a stable copy then.
    if (data.data() == c.s7_message.data()) {
        std::vector<uint8_t> message(std::move(c.s7_message));
        c.s7_message.clear();
        OnAnswer(c, message);
    } else {
        OnAnswer(c, data);
    }
}

} // namespace ferrolink
