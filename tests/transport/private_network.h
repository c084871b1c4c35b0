// Test set-up for the real peers: a private network namespace with only loopback, so port 102 never
// collides with the host, and peer processes started inside it.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace ferrolink_test
{

// Moves this process into a new network namespace and brings `lo` up. Gives an empty string on
// success, else why it cannot (not root, no namespaces).
std::string EnterPrivateNetwork();

// The folder of the npm peers with its node_modules installed (running `npm ci` once when missing),
// or an empty string with the reason in `why`. Must run before EnterPrivateNetwork.
std::string PeersFolder(std::string &why);

// A child process whose standard output is read line by line.
class PeerProcess
{
public:
    PeerProcess() = default;
    ~PeerProcess();
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;

    // Starts argv and waits up to timeout_ms for a line equal to `ready` on its output.
    bool Start(const std::vector<std::string> &argv, const std::string &ready, int timeout_ms);
    // Waits up to timeout_ms for a line equal to `line`.
    bool WaitForLine(const std::string &line, int timeout_ms);
    // Writes a line to its standard input.
    void Send(const std::string &line);
    // Ends it (SIGTERM, then SIGKILL) and gives its exit status.
    int Stop();
    // Waits for it to exit by itself and gives the exit status, -1 on timeout.
    int Wait(int timeout_ms);
    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int in_ = -1;
    std::string buffer_;
};

} // namespace ferrolink_test
