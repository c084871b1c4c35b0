#include "setup/file_copy.h"

#include "platform/paths.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kvz::setup
{
namespace
{

int CopyBytes(int from, int to)
{
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(from, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(to, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return errno;
            done += w;
        }
    }
}

// Writes the copy into a fresh temporary file beside the target; its path in `temp`.
int WriteTemporaryCopy(int source, const struct stat &st, const std::string &folder, std::string &temp)
{
    temp = JoinPath(folder.empty() ? std::string(".") : folder, ".kvzsetup-XXXXXX");
    UniqueFd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.get() < 0)
        return errno;
    int rc = CopyBytes(source, out.get());
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (rc == 0 && ::fchmod(out.get(), st.st_mode & 07777) != 0)
        rc = errno;
    if (rc == 0 && ::futimens(out.get(), times) != 0)
        rc = errno;
    if (rc == 0 && ::fsync(out.get()) != 0)
        rc = errno;
    if (out.Close() != 0 && rc == 0)
        rc = errno;
    if (rc != 0)
        ::unlink(temp.c_str());
    return rc;
}

} // namespace

int CopyFileKeepingTime(const std::string &source, const std::string &target, Overwrite overwrite)
{
    UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return errno;
    struct stat st {
    };
    if (::fstat(in.get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;

    std::string folder = DirectoryOf(target);
    std::error_code ec;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    if (ec)
        return ec.value();
    if (overwrite == Overwrite::KeepExisting && PathExists(target))
        return EEXIST;

    std::string temp;
    if (int rc = WriteTemporaryCopy(in.get(), st, folder, temp); rc != 0)
        return rc;
    int rc = 0;
    if (overwrite == Overwrite::KeepExisting) {
        // Neither call replaces an existing name, so a file that appeared meanwhile is kept too; link()
        // serves file systems that cannot rename without replacing.
        if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        rc = errno;
        if (rc == EINVAL || rc == ENOSYS || rc == ENOTSUP)
            rc = ::link(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
        ::unlink(temp.c_str());
    } else if (::rename(temp.c_str(), target.c_str()) != 0) {
        rc = errno;
        ::unlink(temp.c_str());
    }
    return rc;
}

std::optional<timespec> LastWriteTime(const std::string &path)
{
    struct stat st {
    };
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return st.st_mtim;
}

bool IsLater(const timespec &a, const timespec &b)
{
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

bool IsReadOnly(const std::string &path)
{
    struct stat st {
    };
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool ClearReadOnly(const std::string &path)
{
    struct stat st {
    };
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

} // namespace kvz::setup
