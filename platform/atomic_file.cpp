#include "platform/atomic_file.h"

#include "platform/unique_fd.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvz
{
namespace
{

bool Fail(std::error_code *error, int err)
{
    if (error)
        *error = std::error_code(err, std::generic_category());
    return false;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const std::filesystem::path &target, std::string_view bytes, std::error_code *error)
{
    std::filesystem::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    UniqueFd fd(::mkstemp(tmpl.data()));
    if (fd.get() < 0)
        return Fail(error, errno);
    // Keep the permissions of the file being replaced; a new file gets the usual 0644 less umask.
    struct stat st {
    };
    mode_t mode = 0666;
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd.get(), mode);
    if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        return Fail(error, err);
    }
    if (fd.Close() != 0 || ::rename(tmpl.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        return Fail(error, err);
    }
    UniqueFd dirfd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirfd.get() >= 0)
        ::fsync(dirfd.get());
    return true;
}

} // namespace kvz
