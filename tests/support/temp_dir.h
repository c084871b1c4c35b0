#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kvz::test
{

class TempDir
{
public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kvz-test-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::filesystem::path &path() const { return path_; }
    std::string operator/(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Points both registry hives at folders of a TempDir for its lifetime.
class ScopedRegistry
{
public:
    ScopedRegistry()
    {
        std::filesystem::create_directories(dir_.path() / "user");
        std::filesystem::create_directories(dir_.path() / "machine");
        ::setenv("KVZ_REGISTRY_USER", (dir_.path() / "user").c_str(), 1);
        ::setenv("KVZ_REGISTRY_MACHINE", (dir_.path() / "machine").c_str(), 1);
    }
    ~ScopedRegistry()
    {
        ::unsetenv("KVZ_REGISTRY_USER");
        ::unsetenv("KVZ_REGISTRY_MACHINE");
    }
    const std::filesystem::path &root() const { return dir_.path(); }

private:
    TempDir dir_;
};

} // namespace kvz::test
