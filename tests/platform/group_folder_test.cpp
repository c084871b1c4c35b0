// Files saved into a folder a group shares (setgid, group-writable: an installation's state folder
// and machine hive) stay writable by every member, whatever the saver's umask; elsewhere the umask
// decides. The folders use this account's own group, which any account may give its folders.
#include "platform/atomic_file_writer.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace kvz;

namespace
{

mode_t ModeOf(const std::string &path)
{
    struct stat st {
    };
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

bool Save(const std::string &path, std::string_view text)
{
    AtomicFileWriter file(path);
    return file.Open() && file.Write(text) && file.Commit();
}

class GroupFolderTest : public ::testing::Test
{
protected:
    void SetUp() override { mask_ = ::umask(0); }
    void TearDown() override { ::umask(mask_); }
    std::string Folder(const char *name, mode_t mode)
    {
        std::string folder = dir_ / name;
        EXPECT_EQ(::mkdir(folder.c_str(), 0700), 0);
        EXPECT_EQ(::chmod(folder.c_str(), mode), 0);
        return folder;
    }

    test::TempDir dir_;
    mode_t mask_ = 0;
};

TEST_F(GroupFolderTest, AFileSavedIntoTheGroupsFolderIsTheGroupsToSaveAgain)
{
    const std::string shared = Folder("shared", 02770);
    const std::string own = Folder("own", 0755);
    const std::string readOnlyGroup = Folder("setgid-read-only", 02750);
    struct Case {
        mode_t umask;
        mode_t inShared, inOwn, inReadOnlyGroup;
    };
    for (const Case &c : {Case{022, 0664, 0644, 0644}, Case{077, 0660, 0600, 0600},
                          Case{007, 0660, 0660, 0660}, Case{002, 0664, 0664, 0664}}) {
        ::umask(c.umask);
        for (const std::string &folder : {shared, own, readOnlyGroup})
            ::unlink((folder + "/DEFAULT.KVZ").c_str());
        ASSERT_TRUE(Save(shared + "/DEFAULT.KVZ", "one"));
        ASSERT_TRUE(Save(own + "/DEFAULT.KVZ", "one"));
        ASSERT_TRUE(Save(readOnlyGroup + "/DEFAULT.KVZ", "one"));
        EXPECT_EQ(ModeOf(shared + "/DEFAULT.KVZ"), c.inShared) << std::oct << c.umask;
        EXPECT_EQ(ModeOf(own + "/DEFAULT.KVZ"), c.inOwn) << std::oct << c.umask;
        EXPECT_EQ(ModeOf(readOnlyGroup + "/DEFAULT.KVZ"), c.inReadOnlyGroup) << std::oct << c.umask;
    }
}

TEST_F(GroupFolderTest, ReplacingAFileThatAnOlderSaveMadeForItsOwnerOpensItToTheGroup)
{
    const std::string shared = Folder("shared", 02770);
    const std::string own = Folder("own", 0755);
    ::umask(022);
    for (const std::string &folder : {shared, own}) {
        std::string path = folder + "/DEFAULT.KVZ";
        ASSERT_TRUE(Save(path, "old"));
        ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
        ASSERT_TRUE(Save(path, "new"));
    }
    EXPECT_EQ(ModeOf(shared + "/DEFAULT.KVZ"), 0660u);
    EXPECT_EQ(ModeOf(own + "/DEFAULT.KVZ"), 0640u); // elsewhere the replaced file's mode stays
}

} // namespace
