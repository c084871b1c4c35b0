// The S5 fetch/write answer handler.
#include "engine.h"
#include "s5_frames.h"

#include <algorithm>

namespace ferrolink
{
namespace
{
constexpr size_t kMinS5Answer = kS5AnswerError + 1;

// Copies a fetch answer's data to the data area at `at` when it fits under the capacity.
bool StoreFetchData(Connection &c, std::span<const uint8_t> data, uint32_t at)
{
    uint32_t capacity = c.request.Capacity();
    if (at > capacity || data.size() > capacity - at) {
        return false;
    }
    auto area = c.request.Data(at, static_cast<uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), area.begin());
    c.s5_collected = at + static_cast<uint32_t>(data.size());
    c.request.SetBytesReturned(0, c.s5_collected);
    return true;
}

void OnFirstUnit(Connection &c, std::span<const uint8_t> message, bool end_of_unit)
{
    if (message.size() < kMinS5Answer || message[kS5AnswerHeaderLength] > message.size() ||
        message[kS5AnswerHeaderLength] < kMinS5Answer) {
        CompleteRequest(c, FL_COMPLETION_OTHER_REFERENCE);
        return;
    }
    auto data = message.subspan(message[kS5AnswerHeaderLength]);
    uint8_t operation = message[kS5AnswerOperation];
    c.request.SetResult(0, message[kS5AnswerError]);
    if (operation == kS5FetchAnswer && !c.write) {
        if (!StoreFetchData(c, data, 0)) {
            CompleteRequest(c, FL_COMPLETION_OTHER_REFERENCE);
        } else if (end_of_unit) {
            CompleteRequest(c, FL_COMPLETION_DONE);
        } else {
            c.state = kStateCollecting;
        }
        return;
    }
    if (operation == kS5WriteAnswer && c.write) {
        c.request.SetBytesReturned(0, static_cast<uint32_t>(data.size()));
        CompleteRequest(c, FL_COMPLETION_DONE);
        return;
    }
    CompleteRequest(c, FL_COMPLETION_OTHER_REFERENCE);
}
} // namespace

void DeliverS5Answer(Connection &c, std::span<const uint8_t> data, bool end_of_unit)
{
    if (!c.awaiting_answer) {
        return; // nothing asked: a stray or late answer
    }
    if (c.state == kStateRequestSent || c.state == kStateAnswerExpected) {
        if (data.empty()) {
            return; // an empty data unit carries no answer
        }
        OnFirstUnit(c, data, end_of_unit);
    } else if (c.state == kStateCollecting) {
        if (!StoreFetchData(c, data, c.s5_collected)) {
            CompleteRequest(c, FL_COMPLETION_OTHER_REFERENCE);
        } else if (end_of_unit) {
            CompleteRequest(c, FL_COMPLETION_DONE);
        }
    } else {
        return;
    }
    EngineStep(c);
}

} // namespace ferrolink
