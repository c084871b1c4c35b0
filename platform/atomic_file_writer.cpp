#include "platform/atomic_file_writer.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvz
{
namespace
{

constexpr size_t kTempSuffixLength = 6;  // mkstemp's XXXXXX
constexpr mode_t kGroupShareMode = 0660; // owner and group read and write

std::filesystem::path FolderOf(const std::filesystem::path &target)
{
    std::filesystem::path dir = target.parent_path();
    return dir.empty() ? std::filesystem::path(".") : dir;
}

std::string TempPrefixOf(const std::filesystem::path &target)
{
    return "." + target.filename().string() + ".";
}

// A folder its group shares: setgid (what is made there is the folder's group's) and writable by
// that group, as an installation's state folder and machine hive are.
bool IsGroupFolder(const std::filesystem::path &folder)
{
    struct stat st {
    };
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISGID) != 0 &&
           (st.st_mode & S_IWGRP) != 0;
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A writer holds a lock on its temporary file for as long as it lives; the kernel drops the lock
// when the writer's process ends, however it ends. A temporary file of `target` that nobody holds
// was left by a writer that died (killed, or the machine went down) and is removed.
void RemoveAbandonedTemps(const std::filesystem::path &target)
{
    const std::string prefix = TempPrefixOf(target);
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(FolderOf(target), ec)) {
        std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + kTempSuffixLength || !name.starts_with(prefix))
            continue;
        int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held {
        }, named{};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
            ::lstat(entry.path().c_str(), &named) == 0 && SameFile(held, named))
            ::unlink(entry.path().c_str());
        ::close(fd);
    }
}

// Creates and locks a new temporary file beside `target`; -1 with errno set when it cannot.
int CreateLockedTemp(const std::filesystem::path &target, std::string &name)
{
    constexpr int kAttempts = 8;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        name = (FolderOf(target) / (TempPrefixOf(target) + std::string(kTempSuffixLength, 'X'))).string();
        int fd = ::mkstemp(name.data());
        if (fd < 0)
            return -1;
        // Another writer's sweep may have taken the file between its creation and the lock: then
        // the name no longer leads to it, and a new one is made.
        struct stat held {
        }, named{};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 &&
            SameFile(held, named))
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

} // namespace

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

    RemoveAbandonedTemps(target_);
    std::string tmpl;
    int fd = CreateLockedTemp(target_, tmpl);
    if (fd < 0)
        return Fail(errno, error);
    if (access_.restricted) {
        if (!ApplyAccessPolicy(fd, access_)) {
            int err = errno;
            ::close(fd);
            ::unlink(tmpl.c_str());
            return Fail(err, error);
        }
    } else {
        // Keep the permissions of the file being replaced; a new file gets 0666 less the umask. In a
        // group's folder every member may replace the file again, whatever the saver's umask (the
        // file has the folder's group already: setgid).
        mode_t mode = 0666;
        if (exists)
            mode = st.st_mode & 07777;
        else {
            mode_t mask = ::umask(0);
            ::umask(mask);
            mode &= ~mask;
        }
        if (IsGroupFolder(FolderOf(target_)))
            mode |= kGroupShareMode;
        ::fchmod(fd, mode);
    }
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
    int dirfd = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
