#pragma once
// Owns a file descriptor and closes it when it goes out of scope.
#include <unistd.h>

namespace kvz
{

class UniqueFd
{
public:
    explicit UniqueFd(int fd = -1) noexcept : fd_(fd) {}
    ~UniqueFd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    UniqueFd(UniqueFd &&other) noexcept : fd_(other.release()) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        if (this != &other) {
            Close();
            fd_ = other.release();
        }
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const noexcept { return fd_; }
    // Gives up ownership without closing.
    int release() noexcept
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now; close(2)'s result, so that a failed final flush is seen (0 when nothing was open).
    int Close() noexcept
    {
        int fd = release();
        return fd >= 0 ? ::close(fd) : 0;
    }

private:
    int fd_;
};

} // namespace kvz
