#include "platform/shm.h"

#include "platform/access_policy.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kvz
{
namespace
{

constexpr std::string_view kGlobalPrefix = "Global\\";
// A creator sizes its object right after making it; an opener that finds it still empty waits this long.
constexpr int kSizeWaitSteps = 20;
constexpr auto kSizeWaitStep = std::chrono::milliseconds(10);

ShmStatus StatusOf(int error)
{
    switch (error) {
    case ENOENT:
        return ShmStatus::NotFound;
    case EACCES:
    case EPERM:
        return ShmStatus::AccessDenied;
    case ENOSPC:
    case EFBIG:
    case ENOMEM:
        return ShmStatus::NoSpace;
    default:
        return ShmStatus::Failed;
    }
}

ShmResult Failure(ShmStatus status, int error)
{
    ShmResult r;
    r.status = status;
    r.error = error;
    return r;
}

std::optional<size_t> CurrentSize(int fd)
{
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || st.st_size < 0)
        return std::nullopt;
    return static_cast<size_t>(st.st_size);
}

} // namespace

std::string SanitisedNamespace()
{
    const char *ns = std::getenv("KVZ_SHM_NAMESPACE");
    std::string out;
    for (const char *p = ns ? ns : ""; *p; ++p) {
        char c = *p;
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                  c == '-' || c == '.';
        out += ok ? c : '_';
    }
    return out;
}

std::string ShmPosixName(std::string_view name)
{
    std::string out = "/";
    std::string ns = SanitisedNamespace();
    if (!ns.empty())
        out += ns + ".";
    if (name.starts_with(kGlobalPrefix)) {
        out += "Global.";
        name.remove_prefix(kGlobalPrefix.size());
    }
    // A separator inside the name would address a folder that shm objects cannot have.
    for (char c : name)
        out += (c == '/' || c == '\\') ? '_' : c;
    return out;
}

ShmHandle &ShmHandle::operator=(ShmHandle &&other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        size_ = other.size_;
        other.fd_ = -1;
        other.size_ = 0;
    }
    return *this;
}

void ShmHandle::Close() noexcept
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

namespace
{

ShmResult OpenUnderPolicy(std::string_view name, size_t minSize, const AccessPolicy &policy)
{
    std::string posix = ShmPosixName(name);
    int fd = ::shm_open(posix.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0)
        return Failure(StatusOf(errno), errno);
    // Under a restriction, an object others may reach was not made by the driver or its members.
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !MadeUnderPolicy(st, policy)) {
        ::close(fd);
        return Failure(ShmStatus::AccessDenied, EPERM);
    }
    std::optional<size_t> size = CurrentSize(fd);
    for (int step = 0; size && *size < minSize && step < kSizeWaitSteps; ++step) {
        std::this_thread::sleep_for(kSizeWaitStep);
        size = CurrentSize(fd);
    }
    if (!size || *size < minSize) {
        ::close(fd);
        return Failure(ShmStatus::Failed, EINVAL);
    }
    ShmResult r;
    r.handle = ShmHandle(fd, *size);
    r.status = ShmStatus::Existed;
    return r;
}

} // namespace

ShmResult OpenShm(std::string_view name, size_t minSize)
{
    return OpenUnderPolicy(name, minSize, InstalledAccessPolicy());
}

ShmResult CreateShm(std::string_view name, size_t size, ShmExisting existing)
{
    if (size == 0)
        return Failure(ShmStatus::Failed, EINVAL);
    std::string posix = ShmPosixName(name);
    AccessPolicy policy = InstalledAccessPolicy();
    // A few rounds: another process may create or remove the same name between our calls.
    for (int round = 0; round < 4; ++round) {
        if (existing == ShmExisting::Replace)
            ::shm_unlink(posix.c_str());
        int fd = ::shm_open(posix.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, policy.mode());
        if (fd < 0) {
            int err = errno;
            if (err != EEXIST)
                return Failure(StatusOf(err), err);
            if (existing == ShmExisting::Replace)
                continue;
            ShmResult opened = OpenUnderPolicy(name, size, policy);
            if (opened.status == ShmStatus::Existed || opened.status == ShmStatus::AccessDenied)
                return opened;
            if (opened.status == ShmStatus::Failed && opened.error == EINVAL)
                ::shm_unlink(posix.c_str()); // a leftover too small to be ours: make a new one
            continue;
        }
        if (!ApplyAccessPolicy(fd, policy)) {
            int err = errno;
            ::close(fd);
            ::shm_unlink(posix.c_str());
            return Failure(ShmStatus::AccessDenied, err);
        }
        int rc = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
        if (rc != 0) {
            ::close(fd);
            ::shm_unlink(posix.c_str());
            return Failure(rc == EINVAL || rc == EOPNOTSUPP ? ShmStatus::Failed : StatusOf(rc), rc);
        }
        ShmResult r;
        r.handle = ShmHandle(fd, size);
        r.status = ShmStatus::Created;
        return r;
    }
    return Failure(ShmStatus::Failed, EAGAIN);
}

bool UnlinkShm(std::string_view name)
{
    return ::shm_unlink(ShmPosixName(name).c_str()) == 0;
}

ShmView &ShmView::operator=(ShmView &&other) noexcept
{
    if (this != &other) {
        Unmap();
        data_ = other.data_;
        size_ = other.size_;
        other.data_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

void ShmView::Unmap() noexcept
{
    if (data_)
        ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

ShmView MapShm(const ShmHandle &handle, size_t size, int *error)
{
    int dummy = 0;
    int &err = error ? *error : dummy;
    err = 0;
    if (!handle.valid()) {
        err = EBADF;
        return {};
    }
    // The object's size now, not when it was opened: a view must never reach past its end.
    std::optional<size_t> current = CurrentSize(handle.fd());
    if (!current) {
        err = errno;
        return {};
    }
    if (size == 0)
        size = *current;
    if (size == 0 || size > *current) {
        err = EINVAL;
        return {};
    }
    void *p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, handle.fd(), 0);
    if (p == MAP_FAILED) {
        err = errno;
        return {};
    }
    return ShmView(static_cast<uint8_t *>(p), size);
}

} // namespace kvz
