#include "connection_status.h"

#include "clock.h"
#include "include/ferrolink.h"

#include <algorithm>
#include <cstring>

namespace ferrolink
{
namespace
{
void Put(uint8_t *record, int offset, uint32_t value)
{
    uint16_t v = static_cast<uint16_t>(value); // 16-bit fields: counters wrap
    std::memcpy(record + offset, &v, sizeof v);
}

// Items requested per second since the previous status call.
uint32_t Throughput(Connection &c, uint32_t now)
{
    uint32_t elapsed = now - c.status_tick;
    uint32_t items = c.requested_items - c.status_items;
    c.status_tick = now;
    c.status_items = c.requested_items;
    if (elapsed == 0) {
        return 0;
    }
    return static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(items) * 1000u / elapsed, 0xFFFF));
}
} // namespace

void FillConnectionStatus(Connection &c, int index, int connections, uint8_t *record)
{
    uint32_t now = CurrentClock().TickMs();
    Put(record, FL_CS_INDEX, static_cast<uint32_t>(index));
    Put(record, FL_CS_STATE, static_cast<uint32_t>(c.state));
    Put(record, FL_CS_RETRANSMISSION_TIMER, static_cast<uint32_t>(c.retransmission_timer));
    Put(record, FL_CS_CONNECTION_TIMER, static_cast<uint32_t>(c.connection_timer));
    Put(record, FL_CS_RETRIES, static_cast<uint32_t>(c.retries));
    Put(record, FL_CS_REQUEST_PENDING, c.request_pending ? 1 : 0);
    Put(record, FL_CS_SEND_CREDIT, c.send_credit);
    Put(record, FL_CS_CONNECTIONS, static_cast<uint32_t>(connections));
    Put(record, FL_CS_SEND_NUMBER, c.send_number & 0xFFFF);
    Put(record, FL_CS_FRAME_RESENDS, c.frame_resends);
    Put(record, FL_CS_ACK_RESENDS, c.ack_resends);
    Put(record, FL_CS_PENDING_SENT, c.pending_sent);
    Put(record, FL_CS_RECONNECTIONS, c.reconnections);
    Put(record, FL_CS_THROUGHPUT, Throughput(c, now));
    Put(record, FL_CS_DISCONNECTS_RECEIVED, c.disconnects_received);
    Put(record, FL_CS_TPDU_SIZE_CODE, c.tpdu_size_code);
    Put(record, FL_CS_PDU_SIZE, c.pdu_size);
    Put(record, FL_CS_SOCKET_CHECK,
        static_cast<uint32_t>(c.link && c.link->Kind() == Framing::Tcp ? c.link->WritableCheck() : 0));
}

} // namespace ferrolink
