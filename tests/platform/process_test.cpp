#include "platform/process.h"
#include "temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace kvz;

TEST(Process, RunsInTheGivenFolderAndReportsItsExitStatus)
{
    test::TempDir dir;
    SpawnResult r = SpawnProcess("/bin/sh", {"-c", "pwd > where.txt; exit 7"}, dir.path().string());
    ASSERT_GT(r.pid, 0);
    EXPECT_EQ(WaitProcess(r.pid), 7);
    std::ifstream in(dir / "where.txt");
    std::string where;
    std::getline(in, where);
    EXPECT_EQ(std::filesystem::canonical(where), std::filesystem::canonical(dir.path()));
    EXPECT_FALSE(ProcessExists(r.pid));
}

TEST(Process, AMissingProgramIsReportedNotStarted)
{
    SpawnResult r = SpawnProcess("/nonexistent/KVZSPOLL", {});
    EXPECT_EQ(r.pid, -1);
    EXPECT_NE(r.error, 0);
}
