// Who may open the driver's objects: everyone outside an installation, the access group's members
// inside one. These cases use this account's own group, which any account may give its objects.
#include "platform/access_policy.h"
#include "platform/driver_identity.h"
#include "platform/registry.h"
#include "platform/shm.h"
#include "temp_dir.h"

#include <cstdlib>
#include <grp.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace kvz;

namespace
{

class AccessPolicyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("KVZ_SHM_NAMESPACE", ("kvzaccess" + std::to_string(::getpid())).c_str(), 1);
        mask_ = ::umask(0);
        ::umask(mask_);
    }
    void TearDown() override
    {
        for (const char *name : {"Global\\KVZ_TO_IOC", "Global\\KVZ1"})
            UnlinkShm(name);
        ::umask(mask_);
        ::unsetenv("KVZ_SHM_NAMESPACE");
    }
    static std::string OwnGroupName()
    {
        const group *g = ::getgrgid(::getegid());
        return g ? g->gr_name : "";
    }
    static bool SetAccessGroup(const std::string &name)
    {
        return RegWriteString(Hive::LocalMachine, ConfigKeyPath(), kAccessGroupValue, name);
    }
    static struct stat Stat(const std::string &path)
    {
        struct stat st {
        };
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st;
    }
    static std::string ShmFile(const char *name) { return "/dev/shm" + ShmPosixName(name); }

    test::ScopedRegistry registry_;
    mode_t mask_ = 0;
};

TEST_F(AccessPolicyTest, WithoutAnAccessGroupEveryAccountMayOpenWhatIsMade)
{
    EXPECT_FALSE(InstalledAccessPolicy().restricted);
    ::umask(077); // a narrow umask must not close the driver to its clients
    ShmResult block = CreateShm("Global\\KVZ_TO_IOC", 4096, ShmExisting::Open);
    ASSERT_EQ(block.status, ShmStatus::Created);
    EXPECT_EQ(Stat(ShmFile("Global\\KVZ_TO_IOC")).st_mode & 07777, 0666u);
    EXPECT_EQ(OpenShm("Global\\KVZ_TO_IOC", 4096).status, ShmStatus::Existed);

    // An empty name restricts nothing either (an administrator's way to open an installation up).
    ASSERT_TRUE(SetAccessGroup(""));
    EXPECT_FALSE(InstalledAccessPolicy().restricted);
    EXPECT_EQ(OpenShm("Global\\KVZ_TO_IOC", 4096).status, ShmStatus::Existed);
}

TEST_F(AccessPolicyTest, TheAccessGroupAloneGetsTheObjectsAndTheMachineHive)
{
    std::string name = OwnGroupName();
    ASSERT_FALSE(name.empty());
    ::umask(0); // nor may a wide umask open them to others
    ASSERT_TRUE(SetAccessGroup(name));
    AccessPolicy policy = InstalledAccessPolicy();
    EXPECT_TRUE(policy.restricted);
    EXPECT_EQ(policy.group, ::getegid());

    ASSERT_EQ(CreateShm("Global\\KVZ_TO_IOC", 4096, ShmExisting::Open).status, ShmStatus::Created);
    ASSERT_EQ(CreateShm("Global\\KVZ1", 8192, ShmExisting::Replace).status, ShmStatus::Created);
    for (const char *object : {"Global\\KVZ_TO_IOC", "Global\\KVZ1"}) {
        struct stat st = Stat(ShmFile(object));
        EXPECT_EQ(st.st_mode & 07777, 0660u) << object;
        EXPECT_EQ(st.st_gid, ::getegid()) << object;
    }
    EXPECT_EQ(OpenShm("Global\\KVZ_TO_IOC", 4096).status, ShmStatus::Existed) << "a member opens them";

    // The hive's store and lock file were made by the write that named the group, and stay so.
    ASSERT_TRUE(
        RegWriteString(Hive::LocalMachine, ConfigKeyPath(), "ConfigFile", "/var/lib/kvz/DEFAULT.KVZ"));
    for (const char *file : {"registry.ini", "registry.lock"}) {
        struct stat st = Stat(HiveRoot(Hive::LocalMachine) / file);
        EXPECT_EQ(st.st_mode & 07777, 0660u) << file;
        EXPECT_EQ(st.st_gid, ::getegid()) << file;
    }
    // The user's hive is the user's own business.
    ASSERT_TRUE(RegWriteString(Hive::CurrentUser, ConfigKeyPath(), "ConfigFile", "/x/A.KVZ"));
    EXPECT_EQ(Stat(HiveRoot(Hive::CurrentUser) / "registry.ini").st_mode & 07777, 0666u);
}

TEST_F(AccessPolicyTest, UnderAnAccessGroupAnObjectOpenToOthersIsNotTheDrivers)
{
    // Made before the installation named its group, as anyone may make one under the driver's name.
    ASSERT_EQ(CreateShm("Global\\KVZ_TO_IOC", 4096, ShmExisting::Open).status, ShmStatus::Created);
    ASSERT_EQ(CreateShm("Global\\KVZ1", 4096, ShmExisting::Open).status, ShmStatus::Created);
    ASSERT_TRUE(SetAccessGroup(OwnGroupName()));

    ShmResult opened = OpenShm("Global\\KVZ_TO_IOC", 4096);
    EXPECT_EQ(opened.status, ShmStatus::AccessDenied);
    EXPECT_EQ(opened.error, EPERM);
    EXPECT_FALSE(opened.handle.valid());
    EXPECT_EQ(CreateShm("Global\\KVZ_TO_IOC", 4096, ShmExisting::Open).status, ShmStatus::AccessDenied);

    // A new image replaces it (its maker may remove it) with one of the group's.
    ShmResult image = CreateShm("Global\\KVZ1", 4096, ShmExisting::Replace);
    EXPECT_EQ(image.status, ShmStatus::Created);
    EXPECT_EQ(Stat(ShmFile("Global\\KVZ1")).st_mode & 07777, 0660u);
}

TEST_F(AccessPolicyTest, AGroupThisMachineDoesNotKnowStillClosesTheObjectsToOthers)
{
    ASSERT_TRUE(SetAccessGroup("kvz-no-such-group"));
    AccessPolicy policy = InstalledAccessPolicy();
    EXPECT_TRUE(policy.restricted);
    EXPECT_FALSE(policy.group);
    ASSERT_EQ(CreateShm("Global\\KVZ_TO_IOC", 4096, ShmExisting::Open).status, ShmStatus::Created);
    EXPECT_EQ(Stat(ShmFile("Global\\KVZ_TO_IOC")).st_mode & 07777, 0660u);
    EXPECT_EQ(OpenShm("Global\\KVZ_TO_IOC", 4096).status, ShmStatus::Existed);
}

TEST_F(AccessPolicyTest, ReadingAHiveNeverCreatesIt)
{
    std::filesystem::path missing = registry_.root() / "absent";
    ::setenv("KVZ_REGISTRY_MACHINE", missing.c_str(), 1);
    EXPECT_FALSE(InstalledAccessPolicy().restricted);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

} // namespace
