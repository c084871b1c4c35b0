#pragma once
// A node to install on: a media folder with an INF file and the files it names, empty installation,
// configuration, system and Programs folders, private registry hives, and a folder for stand-in
// programs put first on PATH.
#include "temp_dir.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace kvz::test
{

// The driver's INF as a distribution would carry it: program files for SCADA nodes, the
// configurator and help for both kinds, the OPC proxy for the system folder, and registry values.
inline const char *kSampleInf = R"([Version]
Signature = "$Windows NT$"
Provider = %Maker%

[DestinationDirs]
DefaultDestDir = 65701
ScadaFiles = 65701
ViewFiles = 65701
SystemFiles = 11

[ScadaNode]
CopyFiles = ScadaFiles
AddReg = ScadaReg

[ViewNode]
CopyFiles = ViewFiles, @KVZDIDW.chm
AddReg = ViewReg

[NtSystem32]
CopyFiles = SystemFiles

[ProductInstall]
AddReg = ProductReg

[ScadaFiles]
KVZSPOLL.EXE
KVZOPC.DLL
KVZstext.drv

[ViewFiles]
KVZdidw.exe
DEFAULT.KVZ

[SystemFiles]
OPCProxy.dll

[ProductReg]
HKLM, %ProductKey%\Config, DriverExe, 0, "%65704%"
HKLM, %ProductKey%, Version, 0, "%Version%"

[ScadaReg]
HKLM, %ProductKey%, NodeKind, 0, "SCADA"
HKLM, %ProductKey%, Scada, 0x00010001, 1

[ViewReg]
HKLM, %ProductKey%, NodeKind, 0, "View"

[Strings]
Maker = "Quillmark"
ProductKey = "Software\Quillmark\Brennic"
Version = "7.10.58.2"
)";

inline const char *kMediaFiles[] = {"KVZSPOLL.EXE", "KVZOPC.DLL",  "KVZstext.drv", "KVZdidw.exe",
                                    "DEFAULT.KVZ",  "KVZDIDW.chm", "OPCProxy.dll"};

// The media's files are dated here; a file "newer" than the media is dated later.
constexpr time_t kMediaTime = 1'600'000'000;

inline void WriteFile(const std::string &path, const std::string &text, time_t mtime = kMediaTime)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

inline std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class InstallFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *d : {"media", "install", "config", "system32", "programs", "bin"})
            std::filesystem::create_directories(tmp.path() / d);
        media = tmp / "media";
        install = tmp / "install";
        config = tmp / "config";
        system = tmp / "system32";
        programs = tmp / "programs";
        bin = tmp / "bin";
        const char *path = std::getenv("PATH");
        savedPath = path ? path : "";
        ::setenv("PATH", (bin + ":" + savedPath).c_str(), 1);
        ::setenv("KVZ_SYSTEM_DIR", system.c_str(), 1);
        ::setenv("KVZ_COMMON_PROGRAMS", programs.c_str(), 1);
        WriteMedia(kSampleInf);
    }
    void TearDown() override
    {
        ::setenv("PATH", savedPath.c_str(), 1);
        ::unsetenv("KVZ_SYSTEM_DIR");
        ::unsetenv("KVZ_COMMON_PROGRAMS");
        ::unsetenv("KVZ_TEST_REGISTRATION_LOG");
    }

    void WriteMedia(const std::string &inf)
    {
        WriteFile(media + "/KVZ.inf", inf);
        for (const char *f : kMediaFiles)
            WriteFile(media + "/" + f, std::string("media ") + f);
    }

    // A stand-in registration program that records its working folder and arguments.
    std::string InstallRegistrationStandIn()
    {
        std::string log = tmp / "registration.log";
        ::setenv("KVZ_TEST_REGISTRATION_LOG", log.c_str(), 1);
        std::string script = bin + "/regsvr32";
        std::ofstream(script)
            << "#!/bin/sh\n"
               "{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > \"$KVZ_TEST_REGISTRATION_LOG.tmp\"\n"
               "mv \"$KVZ_TEST_REGISTRATION_LOG.tmp\" \"$KVZ_TEST_REGISTRATION_LOG\"\n";
        ::chmod(script.c_str(), 0755);
        return log;
    }

    // The stand-in's record, once it has run (it is started without waiting).
    static std::string AwaitFile(const std::string &path,
                                 std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        auto end = std::chrono::steady_clock::now() + limit;
        while (!std::filesystem::exists(path) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ReadFile(path);
    }

    TempDir tmp;
    ScopedRegistry reg;
    std::string media, install, config, system, programs, bin, savedPath;
};

} // namespace kvz::test
