// The built libsetup.so as a host loads it: dlopen, the one export, messages on stderr.
#include "install_fixture.h"
#include "platform/registry.h"
#include "setup/setup.h"

#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

extern "C" int kvz_setup_header_is_c(void);

using namespace kvz;
using namespace kvz::test;

namespace
{

using InstallDriverFn = decltype(&::InstallDriver);

class SetupLibrary : public InstallFixture
{
protected:
    void SetUp() override
    {
        InstallFixture::SetUp();
        handle = ::dlopen(KVZ_SETUP_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << ::dlerror();
        install_driver = reinterpret_cast<InstallDriverFn>(::dlsym(handle, "InstallDriver"));
        ASSERT_NE(install_driver, nullptr);
    }
    void TearDown() override
    {
        if (handle)
            ::dlclose(handle);
        InstallFixture::TearDown();
    }

    // Calls the export with stderr going to a file; gives what was written there.
    std::string CallCapturingStderr(int &result, int run, int scada, const char *mediaPath,
                                    const char *folder)
    {
        std::string capture = tmp / "stderr.txt";
        std::fflush(stderr);
        int saved = ::dup(STDERR_FILENO);
        int fd = ::open(capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
        result = install_driver(run, 0, scada, mediaPath, install.c_str(), config.c_str(), "PLANT", folder);
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        return ReadFile(capture);
    }

    void *handle = nullptr;
    InstallDriverFn install_driver = nullptr;
};

} // namespace

TEST_F(SetupLibrary, ExportsInstallDriverAndNothingElse)
{
    EXPECT_EQ(::dlsym(handle, "_ZN3kvz5setup13InstallDriverEiiiPKcS2_S2_S2_S2_"), nullptr);
    EXPECT_EQ(::dlsym(handle, "_ZN3kvz2UiEv"), nullptr);
    EXPECT_EQ(
        ::dlsym(handle, "_ZN3kvz14RegWriteStringENS_4HiveESt17basic_string_viewIcSt11char_traitsIcEES4_S4_"),
        nullptr);
    EXPECT_EQ(kvz_setup_header_is_c(), 1);
}

TEST_F(SetupLibrary, LoadingAndRunFlagZeroWriteNothing)
{
    int result = -1;
    EXPECT_EQ(CallCapturingStderr(result, 0, 1, media.c_str(), "Brennic"), "");
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(std::filesystem::is_empty(install));
    EXPECT_TRUE(std::filesystem::is_empty(programs));
    EXPECT_FALSE(std::filesystem::exists(reg.root() / "machine" / "registry.ini"));
}

TEST_F(SetupLibrary, ErrorsAreOneLineOnStderrWithTheirCaption)
{
    int result = -1;
    EXPECT_EQ(CallCapturingStderr(result, 1, 1, nullptr, "Brennic"),
              "I/O Server Setup Error: Path to the distribution media was not specified  I/O Server Setup "
              "aborted\n");
    EXPECT_EQ(result, 0);

    std::filesystem::remove(media + "/KVZ.inf");
    EXPECT_EQ(CallCapturingStderr(result, 1, 1, media.c_str(), "Brennic"),
              "I/O Server Setup Error: Failed to open server's information file " + media +
                  "/KVZ.inf Win32 error code: 2  I/O Server Setup aborted\n");
    EXPECT_EQ(result, 0);
}

TEST_F(SetupLibrary, InstallsAScadaNode)
{
    std::string log = InstallRegistrationStandIn();
    ASSERT_TRUE(RegWriteDword(Hive::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                              system + "/OPCDAAuto.dll", 3));
    int result = -1;
    EXPECT_EQ(CallCapturingStderr(result, 1, 1, (media + "/").c_str(), "Brennic"), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ReadFile(install + "/KVZSPOLL.EXE"), "media KVZSPOLL.EXE");
    EXPECT_EQ(ReadFile(config + "/PLANT.KVZ"), "media DEFAULT.KVZ");
    EXPECT_TRUE(std::filesystem::exists(programs + "/Brennic/Brennic Plant Link Configurator.lnk"));
    EXPECT_EQ(RegReadString(Hive::LocalMachine, "Software\\Quillmark\\Brennic\\", "FolderName"), "Brennic");
    EXPECT_EQ(RegReadDword(Hive::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                           system + "/OPCDAAuto.dll"),
              4u);
    EXPECT_EQ(AwaitFile(log), install + "\n/s\n" + install + "/KVZOPC.DLL\n");
}

TEST_F(SetupLibrary, InstallsAViewNodeReportingLaterFailures)
{
    std::filesystem::remove(media + "/KVZdidw.exe");
    int result = -1;
    EXPECT_EQ(CallCapturingStderr(result, 1, 0, media.c_str(), nullptr),
              "I/O Server Setup Error: Failed to commit the file queue Win32 error code: 2  I/O Server Setup "
              "aborted\n");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ReadFile(install + "/DEFAULT.KVZ"), "media DEFAULT.KVZ");
    EXPECT_FALSE(std::filesystem::exists(install + "/KVZSPOLL.EXE"));
    EXPECT_TRUE(std::filesystem::is_empty(programs));
}
