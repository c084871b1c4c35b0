#pragma once
// The service manager's readiness protocol (a unit of Type=notify): one datagram of "KEY=VALUE"
// lines to the socket named in NOTIFY_SOCKET. The engine says READY=1 once its control block, image
// and request port exist, so that `systemctl start` returns only then: a client asking at once
// finds this engine instead of launching one of its own.
#include <string_view>

namespace spoll
{

// False when no service manager listens (no NOTIFY_SOCKET: started by hand or by the configurator)
// or the datagram could not be sent.
bool NotifyServiceManager(std::string_view state);

} // namespace spoll
