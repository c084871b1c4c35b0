#include "private_network.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ferrolink_test
{

std::string EnterPrivateNetwork()
{
    if (geteuid() != 0) {
        return "needs root for a private network namespace";
    }
    if (unshare(CLONE_NEWNET) != 0) {
        return std::string("unshare(CLONE_NEWNET) failed: ") + std::strerror(errno);
    }
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return "no socket for bringing lo up";
    }
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP | IFF_RUNNING);
    up = up && ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
    close(fd);
    return up ? std::string() : "could not bring lo up";
}

std::string PeersFolder(std::string &why)
{
    const char *source = std::getenv("KVZ_TEST_SOURCE_DIR");
    std::filesystem::path peers = std::filesystem::path(source != nullptr ? source : ".") / "tests" / "peers";
    if (std::system("command -v node >/dev/null 2>&1") != 0) {
        why = "node is not installed";
        return {};
    }
    // Tests run in parallel: one installs, the others wait for it.
    auto built = peers / "node_modules" / "node-snap7" / "build" / "Release" / "node_snap7.node";
    int lock = open("/tmp/kvz-test-peers-npm.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (lock >= 0) {
        flock(lock, LOCK_EX);
    }
    if (!std::filesystem::exists(built)) {
        std::string command =
            "cd '" + peers.string() + "' && npm ci --no-audit --no-fund --loglevel=error >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0 || !std::filesystem::exists(built)) {
            why = "node-snap7 is not installed in tests/peers and npm ci failed";
        }
    }
    if (lock >= 0) {
        close(lock);
    }
    return why.empty() ? peers.string() : std::string();
}

PeerProcess::~PeerProcess()
{
    Stop();
}

bool PeerProcess::Start(const std::vector<std::string> &argv, const std::string &ready, int timeout_ms)
{
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0) {
        return false;
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(in[0], STDIN_FILENO);
        std::vector<char *> args;
        for (const auto &a : argv) {
            args.push_back(const_cast<char *>(a.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(in[0]);
    out_ = out[0];
    in_ = in[1];
    return pid_ > 0 && (ready.empty() || WaitForLine(ready, timeout_ms));
}

bool PeerProcess::WaitForLine(const std::string &line, int timeout_ms)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (true) {
        size_t end;
        while ((end = buffer_.find('\n')) != std::string::npos) {
            std::string got = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (got == line) {
                return true;
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char chunk[512];
        ssize_t n = read(out_, chunk, sizeof chunk);
        if (n <= 0) {
            return false;
        }
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

void PeerProcess::Send(const std::string &line)
{
    std::string text = line + "\n";
    if (write(in_, text.data(), text.size()) < 0) {
        return;
    }
}

int PeerProcess::Wait(int timeout_ms)
{
    for (int waited = 0; pid_ > 0; waited += 10) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (waited >= timeout_ms) {
            return -1;
        }
        usleep(10000);
    }
    return -1;
}

int PeerProcess::Stop()
{
    int status = -1;
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        status = Wait(3000);
        if (status < 0 && pid_ > 0) {
            kill(pid_, SIGKILL);
            status = Wait(3000);
        }
    }
    if (out_ >= 0) {
        close(out_);
        out_ = -1;
    }
    if (in_ >= 0) {
        close(in_);
        in_ = -1;
    }
    buffer_.clear();
    return status;
}

} // namespace ferrolink_test
