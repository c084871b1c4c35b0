#pragma once
// The engine's local request port for SCADA-side clients: a Unix socket named after the
// shared-memory namespace. One line in ("read DEVICE:ADDRESS", "values DEVICE"), the answer out.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace spoll
{

// The socket's path for this shared-memory namespace (KVZ_SHM_NAMESPACE).
std::string RequestPortPath();

// Sends one request and gives the answer; empty when no engine listens.
std::string AskRequestPort(const std::string &request);

class RequestPort
{
public:
    using Handler = std::function<std::string(const std::string &request)>;
    ~RequestPort();
    // Listens on RequestPortPath() and answers on a thread of its own; false when it cannot listen.
    bool Open(Handler handler);
    void Close();

private:
    void Serve();
    Handler handler_;
    int listen_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

} // namespace spoll
