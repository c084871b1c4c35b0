#pragma once
// The engine's local request port for SCADA-side clients: a Unix socket in the engine's own folder
// (see port_folder.h). One line in ("read DEVICE:ADDRESS", "values DEVICE"), the answer out.
// Clients are served side by side on one thread: each has 2 s to send its whole line, and a slow or
// idle one never holds up another.
#include "driver/port_folder.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>

namespace spoll
{

inline constexpr size_t kMostRequest = 256;
inline constexpr size_t kMostClients = 32;
inline constexpr std::chrono::milliseconds kRequestDeadline{2000};

struct PortAnswer {
    enum class Outcome { Answered, NoEngine, Refused };
    Outcome outcome = Outcome::NoEngine;
    std::string text; // the answer; when refused, why
};

// Sends one request to the engine of this account's settings and gives its answer. The answering
// process must be the installation's engine account (or this account outside an installation).
PortAnswer AskRequestPort(const std::string &request);

class RequestPort
{
public:
    using Handler = std::function<std::string(const std::string &request)>;
    ~RequestPort();
    // Listens on RequestPortPath() and answers on a thread of its own; false, with the reason in
    // `why`, when this engine cannot own the port.
    bool Open(Handler handler, std::string &why);
    void Close();

private:
    void Serve();
    Handler handler_;
    std::string path_;
    int listen_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

} // namespace spoll
