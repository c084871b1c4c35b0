// The connection engine: the dispatcher for received transport units, the periodic step with its
// timers and retries, and the sending of requests. The same engine serves every channel kind; what
// differs is the connection's link. Every function here runs under the connection's lock.
#pragma once

#include "connection.h"

#include <span>

namespace ferrolink
{

// Sends the connection request and arms the CR timers.
void SendCr(Connection &c);
// A received transport unit (from its LI on) for this connection.
void DispatchUnit(Connection &c, std::span<const uint8_t> unit);
// One step: counts down the timers by the time since the previous step and acts on the state.
void EngineStep(Connection &c);
// The send calls: 0 when a request is still pending or running on the connection, else 1.
int SubmitRequest(Connection &c, RequestBlock request, bool write);
// Ends the connection for good: DR with the user reason on H1, the socket closed on TCP; state 7.
void DisconnectConnection(Connection &c);
// Closes and reopens the transport connection after the peer fell silent.
void ResetConnection(Connection &c);

// Answer handlers, given the data of a DT and whether it carried the end-of-unit mark.
void DeliverS5Answer(Connection &c, std::span<const uint8_t> data, bool end_of_unit);
void DeliverS7Answer(Connection &c, std::span<const uint8_t> data, bool end_of_unit);

// Internal steps shared by the handlers.
void CompleteRequest(Connection &c, uint32_t completion);
bool SendRequestFrame(Connection &c);

} // namespace ferrolink
