#include "platform/atomic_file_writer.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvz
{

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target, WriteFunction write)
    : target_(std::move(target)), write_(std::move(write))
{
    if (!write_)
        write_ = [](int fd, const void *data, size_t size) { return ::write(fd, data, size); };
}

AtomicFileWriter::~AtomicFileWriter()
{
    Abandon();
}

bool AtomicFileWriter::Fail(int err, std::error_code *error)
{
    error_ = std::error_code(err, std::generic_category());
    if (error)
        *error = error_;
    return false;
}

bool AtomicFileWriter::Open(std::error_code *error)
{
    Abandon();
    error_.clear();
    written_ = 0;
    struct stat st {
    };
    bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return Fail(EISDIR, error);
    if (exists && ::access(target_.c_str(), W_OK) != 0)
        return Fail(errno, error);

    std::filesystem::path dir = target_.parent_path();
    if (dir.empty())
        dir = ".";
    std::string tmpl = (dir / ("." + target_.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return Fail(errno, error);
    // Keep the permissions of the file being replaced; a new file gets 0666 less the umask.
    mode_t mode = 0666;
    if (exists)
        mode = st.st_mode & 07777;
    else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd, mode);
    fd_ = fd;
    temp_ = tmpl;
    return true;
}

bool AtomicFileWriter::Write(std::span<const uint8_t> bytes, std::error_code *error)
{
    if (fd_ < 0)
        return Fail(error_ ? error_.value() : EBADF, error);
    const uint8_t *p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = write_(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            Abandon();
            return Fail(err, error);
        }
        if (n == 0) { // no progress and no reason: treat as a full device
            Abandon();
            return Fail(ENOSPC, error);
        }
        p += n;
        left -= static_cast<size_t>(n);
        written_ += static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFileWriter::Write(std::string_view text, std::error_code *error)
{
    return Write(std::span<const uint8_t>(reinterpret_cast<const uint8_t *>(text.data()), text.size()),
                 error);
}

bool AtomicFileWriter::Commit(std::error_code *error)
{
    if (fd_ < 0)
        return Fail(error_ ? error_.value() : EBADF, error);
    if (::fsync(fd_) != 0) {
        int err = errno;
        Abandon();
        return Fail(err, error);
    }
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || ::rename(temp_.c_str(), target_.c_str()) != 0) {
        int err = errno;
        ::unlink(temp_.c_str());
        temp_.clear();
        return Fail(err, error);
    }
    temp_.clear();
    std::filesystem::path dir = target_.parent_path();
    if (dir.empty())
        dir = ".";
    int dirfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd >= 0) {
        ::fsync(dirfd);
        ::close(dirfd);
    }
    return true;
}

void AtomicFileWriter::Abandon()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

} // namespace kvz
