#pragma once
// Replacing a file in steps, for writers that produce their bytes piece by piece and must report a
// failure wherever it happens: Open creates a temporary file in the target's folder, Write appends
// to it, Commit flushes file and folder and renames it over the target. Until Commit succeeds the
// target is untouched; a writer destroyed without a successful Commit removes its temporary file.
// A writer whose process is killed cannot: the next Open of the same target removes what it left.
// The file keeps the mode of the one it replaces (a new one: 0666 less the umask); in a folder its
// group shares (setgid and group-writable) it is also readable and writable by the group, whatever
// the umask, so that every member may save it again.
#include "platform/access_policy.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string_view>
#include <sys/types.h>
#include <system_error>

namespace kvz
{

class AtomicFileWriter
{
public:
    // How bytes reach the temporary file: write(2) unless a test puts a refusing one in its place.
    using WriteFunction = std::function<ssize_t(int fd, const void *data, size_t size)>;

    explicit AtomicFileWriter(std::filesystem::path target, WriteFunction write = {});
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter &) = delete;
    AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

    // For the next Open: a restricting policy makes the file its group's alone (0660) instead of
    // keeping the replaced file's mode.
    void SetAccessPolicy(const AccessPolicy &policy) { access_ = policy; }

    // Creates the temporary file. Fails with EACCES when an existing target may not be written and
    // with EISDIR when the target is a folder, as writing it in place would.
    bool Open(std::error_code *error = nullptr);
    // Appends every byte or fails; after a failure the writer stays failed.
    bool Write(std::span<const uint8_t> bytes, std::error_code *error = nullptr);
    bool Write(std::string_view text, std::error_code *error = nullptr);
    // Flushes the file, renames it over the target and flushes the folder.
    bool Commit(std::error_code *error = nullptr);
    // Removes the temporary file; the target stays as it was.
    void Abandon();

    bool IsOpen() const { return fd_ >= 0; }
    size_t BytesWritten() const { return written_; }
    const std::error_code &LastError() const { return error_; }

private:
    bool Fail(int err, std::error_code *error);

    std::filesystem::path target_;
    std::filesystem::path temp_;
    WriteFunction write_;
    AccessPolicy access_;
    int fd_ = -1;
    size_t written_ = 0;
    std::error_code error_;
};

} // namespace kvz
