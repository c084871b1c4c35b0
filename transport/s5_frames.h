// S5 fetch and write messages (the data of a DT) in both addressing forms.
#pragma once

#include "request_block.h"

#include <cstdint>
#include <vector>

namespace ferrolink
{

constexpr int kS5HeaderSize = 16;
// Offsets in an S5 answer.
constexpr int kS5AnswerHeaderLength = 2;
constexpr int kS5AnswerOperation = 5;
constexpr int kS5AnswerError = 8;
constexpr uint8_t kS5FetchAnswer = 0x06;
constexpr uint8_t kS5WriteAnswer = 0x04;

enum class S5Form { First, Second };

// Appends the header (and, for a write, the data from the request's data area). Refuses (gives false,
// appends nothing) a write whose data would not fit in `max_message` bytes.
bool AppendS5Request(std::vector<uint8_t> &out, const RequestBlock &request, bool write, S5Form form,
                     size_t max_message);

} // namespace ferrolink
