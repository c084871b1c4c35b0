#pragma once
// Named shared-memory objects. Names are given as the driver knows them ("Global\KVZ1", "KVZ_TO_IOC");
// the global and the local form become two distinct POSIX objects, and an optional namespace taken from
// KVZ_SHM_NAMESPACE keeps two installations (or two tests) apart.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvz
{

// KVZ_SHM_NAMESPACE with only the characters that are safe in one path component ("" when unset).
std::string SanitisedNamespace();

// POSIX object name for a driver object name: "/[ns.]Global.KVZ1" or "/[ns.]KVZ1".
std::string ShmPosixName(std::string_view name);

enum class ShmStatus {
    Created,      // a new object was made
    Existed,      // the object existed and was opened (a creation that found it)
    NotFound,     // open only: no such object
    AccessDenied, // the object exists but this account may not open it
    NoSpace,      // the space for a new object could not be reserved
    Failed,       // any other error (see ShmResult::error)
};

// An open object: owns its descriptor. Move-only.
class ShmHandle
{
public:
    ShmHandle() = default;
    ShmHandle(int fd, size_t size) : fd_(fd), size_(size) {}
    ~ShmHandle() { Close(); }
    ShmHandle(ShmHandle &&other) noexcept { *this = static_cast<ShmHandle &&>(other); }
    ShmHandle &operator=(ShmHandle &&other) noexcept;
    ShmHandle(const ShmHandle &) = delete;
    ShmHandle &operator=(const ShmHandle &) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Size of the object when it was opened or created.
    size_t size() const { return size_; }
    void Close() noexcept;

private:
    int fd_ = -1;
    size_t size_ = 0;
};

struct ShmResult {
    ShmHandle handle;
    ShmStatus status = ShmStatus::Failed;
    int error = 0; // errno of the failure
};

// Opens an existing object for reading and writing. An object smaller than minSize is waited for
// briefly (its creator may be sizing it) and then refused as Failed with EINVAL, so that no view
// can reach past its end. Under an installation's access group, an object open to other accounts
// is refused as AccessDenied with EPERM: it is not the driver's.
ShmResult OpenShm(std::string_view name, size_t minSize);

enum class ShmExisting {
    Open,    // an existing object of at least `size` bytes is opened (status Existed)
    Replace, // an existing object is removed and a new one made in its place
};

// Creates an object of `size` bytes, readable and writable by every account (0666), or by the
// installation's access group alone (0660, see access_policy.h), with its memory
// reserved at once: a full /dev/shm fails here as NoSpace, never later as SIGBUS on first touch. An
// existing object too small for `size` is a leftover and is replaced in either mode.
ShmResult CreateShm(std::string_view name, size_t size, ShmExisting existing);

// Removes the name; views and handles already open stay valid.
bool UnlinkShm(std::string_view name);

// A mapped view of an object. Move-only; unmaps on destruction.
class ShmView
{
public:
    ShmView() = default;
    ShmView(uint8_t *data, size_t size) : data_(data), size_(size) {}
    ~ShmView() { Unmap(); }
    ShmView(ShmView &&other) noexcept { *this = static_cast<ShmView &&>(other); }
    ShmView &operator=(ShmView &&other) noexcept;
    ShmView(const ShmView &) = delete;
    ShmView &operator=(const ShmView &) = delete;

    uint8_t *data() const { return data_; }
    size_t size() const { return size_; }
    bool valid() const { return data_ != nullptr; }
    void Unmap() noexcept;

private:
    uint8_t *data_ = nullptr;
    size_t size_ = 0;
};

// Maps `size` bytes of the object (0: the whole object) read-write and shared. A size beyond the
// object's, or zero bytes, is refused with EINVAL in *error.
ShmView MapShm(const ShmHandle &handle, size_t size, int *error);

} // namespace kvz
