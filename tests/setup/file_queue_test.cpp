#include "setup/file_copy.h"
#include "setup/file_queue.h"
#include "temp_dir.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

using namespace kvz::setup;

namespace
{

void Write(const std::string &path, const std::string &text, time_t mtime)
{
    std::ofstream(path, std::ios::binary) << text;
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string Read(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class CountingCallback : public DefaultQueueCallback
{
public:
    CopyDecision OnTargetExists(const QueuedCopy &) override
    {
        ++asked;
        return answer;
    }
    void OnCopyError(const QueuedCopy &, int error) override { errors.push_back(error); }
    CopyDecision answer = CopyDecision::Copy;
    int asked = 0;
    std::vector<int> errors;
};

constexpr time_t kOld = 1'000'000'000;
constexpr time_t kNew = 1'500'000'000;

} // namespace

TEST(FileQueue, CopiesCreateFoldersAndKeepTimeAndPermissions)
{
    kvz::test::TempDir dir;
    Write(dir / "src.dll", "bytes", kOld);
    ::chmod((dir / "src.dll").c_str(), 0444);
    FileQueue queue;
    queue.Add({dir / "src.dll", dir / "a/b/dst.dll", 0});
    CountingCallback cb;
    CommitResult r = queue.Commit(cb);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.copied, 1);
    EXPECT_EQ(Read(dir / "a/b/dst.dll"), "bytes");
    EXPECT_EQ(LastWriteTime(dir / "a/b/dst.dll")->tv_sec, kOld);
    EXPECT_TRUE(IsReadOnly(dir / "a/b/dst.dll"));
    EXPECT_TRUE(ClearReadOnly(dir / "a/b/dst.dll"));
    EXPECT_FALSE(IsReadOnly(dir / "a/b/dst.dll"));
}

TEST(FileQueue, ExistingTargetsFollowTheCopyFlags)
{
    struct Case {
        const char *name;
        uint32_t flags;
        time_t target;
        CopyDecision answer;
        bool replaced;
        int asked;
    };
    const Case cases[] = {
        {"plain copy replaces", 0, kNew, CopyDecision::Skip, true, 0},
        {"no-overwrite asks, copy", kCopyNoOverwrite, kNew, CopyDecision::Copy, true, 1},
        {"no-overwrite asks, skip", kCopyNoOverwrite, kOld, CopyDecision::Skip, false, 1},
        {"force-newer over older", kCopyForceNewer, kOld - 10, CopyDecision::Skip, true, 0},
        {"force-newer keeps newer", kCopyForceNewer, kNew, CopyDecision::Copy, false, 0},
        {"force-newer keeps same age", kCopyForceNewer, kOld, CopyDecision::Copy, false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        kvz::test::TempDir dir;
        Write(dir / "src", "media", kOld);
        Write(dir / "dst", "installed", c.target);
        FileQueue queue;
        queue.Add({dir / "src", dir / "dst", c.flags});
        CountingCallback cb;
        cb.answer = c.answer;
        EXPECT_TRUE(queue.Commit(cb).ok);
        EXPECT_EQ(Read(dir / "dst"), c.replaced ? "media" : "installed");
        EXPECT_EQ(cb.asked, c.asked);
    }
}

TEST(FileQueue, AFailedCopyIsReportedAndTheRestStillCopied)
{
    kvz::test::TempDir dir;
    Write(dir / "good", "g", kOld);
    FileQueue queue;
    queue.Add({dir / "missing", dir / "out/missing", 0});
    queue.Add({dir / "good", dir / "out/good", 0});
    CountingCallback cb;
    CommitResult r = queue.Commit(cb);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, ENOENT);
    EXPECT_EQ(cb.errors, std::vector<int>{ENOENT});
    EXPECT_EQ(Read(dir / "out/good"), "g");
    EXPECT_EQ(r.copied, 1);
}

TEST(FileCopy, KeepExistingNeverReplacesAndLeavesNoTemporaryFile)
{
    kvz::test::TempDir dir;
    Write(dir / "src", "new", kOld);
    Write(dir / "dst", "mine", kOld);
    EXPECT_EQ(CopyFileKeepingTime(dir / "src", dir / "dst", Overwrite::KeepExisting), EEXIST);
    EXPECT_EQ(Read(dir / "dst"), "mine");
    EXPECT_EQ(CopyFileKeepingTime(dir / "src", dir / "fresh", Overwrite::KeepExisting), 0);
    EXPECT_EQ(Read(dir / "fresh"), "new");
    int entries = 0;
    for (auto &e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 3);
}
