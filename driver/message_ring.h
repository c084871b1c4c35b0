#pragma once
// The driver's side of the message ring in the control block: it writes an entry and advances
// msg_write; the reader advances msg_read. The reader is another process that takes entries without
// a lock, so an unread entry is never rewritten: instead the last slots are kept for alarms. Trace,
// learn and information entries stop short of them and give way; what could not be posted is
// counted and told by one "N messages dropped" entry as soon as there is room for it.
#include <cstdint>
#include <string_view>

namespace spoll
{

inline constexpr uint16_t kAlarmLevel = 70;
inline constexpr uint16_t kWarningLevel = 80;
inline constexpr uint16_t kLearnLevel = 39;
// Unread entries that only alarms (and the dropped-messages entry) may take.
inline constexpr uint32_t kAlarmReserve = 16;
// Learn messages posted in any one second, at most.
inline constexpr int kMostLearnPerSecond = 10;

// Puts one message into the ring; false when it was dropped (the ring is full for its level).
bool PostDriverMessage(uint8_t *block, uint16_t code, std::string_view text);

// Puts a learn message ("NIO-*LEARN-DEVICE:ADDRESS") into the ring unless the same one is still
// unread (it is merged with that one, true) or more than kMostLearnPerSecond came this second.
bool PostLearnMessage(uint8_t *block, std::string_view text);

// Posts the dropped-messages entry when one is owed and there is room (the engine's tick).
void PostDroppedNote(uint8_t *block);

} // namespace spoll
