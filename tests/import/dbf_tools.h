#pragma once
// DBF tables written by shapelib's command-line tools, so that the import reads what a real writer
// produced. Tests skip when the tools are not installed.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace dbftest
{

inline bool ToolsPresent()
{
    return std::string(DBFCREATE_PATH).find("NOTFOUND") == std::string::npos &&
           std::string(DBFADD_PATH).find("NOTFOUND") == std::string::npos;
}

inline bool RunTool(const std::string &program, const std::vector<std::string> &args)
{
    kvz::SpawnResult started = kvz::SpawnProcess(program, args);
    if (started.pid <= 0)
        return false;
    auto status = kvz::WaitProcess(started.pid);
    return status && *status == 0;
}

// Creates `path` with character fields of the given names (each 40 wide) and appends `rows`. The
// tools always write "<name>.dbf"; the table is renamed to `path` afterwards (UNITS.DBF, x.rdb).
inline void WriteTable(const std::string &path, const std::vector<std::string> &fields,
                       const std::vector<std::vector<std::string>> &rows)
{
    std::filesystem::path written(path);
    written.replace_extension(".dbf");
    std::filesystem::remove(written);
    std::vector<std::string> args{written.string()};
    for (const std::string &f : fields) {
        args.insert(args.end(), {"-s", f, "40"});
    }
    ASSERT_TRUE(RunTool(DBFCREATE_PATH, args)) << "dbfcreate " << path;
    for (const auto &row : rows) {
        std::vector<std::string> values{written.string()};
        values.insert(values.end(), row.begin(), row.end());
        ASSERT_TRUE(RunTool(DBFADD_PATH, values)) << "dbfadd " << path;
    }
    if (written.string() != path)
        std::filesystem::rename(written, path);
}

} // namespace dbftest

#define SKIP_WITHOUT_DBF_TOOLS()                                                                             \
    if (!dbftest::ToolsPresent())                                                                            \
    GTEST_SKIP() << "shapelib's dbfcreate/dbfadd are not installed"
