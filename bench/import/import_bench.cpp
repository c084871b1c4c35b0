// Times `kvzcfg import-dbf` of a variables table of 100,000 rows across 50 devices beside shapelib's
// own `dbfdump` of the same table, which is the cost of just reading it. Prints the median of five
// runs of each and their ratio.
//   import_bench [ROWS [DEVICES]]
#include <shapefil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// The address and type of the variable `k` of one device: words in eight data blocks, bytes in M,
// bits in I and arrays of reals in DB20, so that learning both widens and adds records.
std::pair<std::string, std::string> Variable(int k)
{
    switch (k % 4) {
    case 0:
        return {"DB" + std::to_string(1 + k % 8) + "," + std::to_string((k * 2) % 2000), "INT"};
    case 1:
        return {"M" + std::to_string(k % 1000), "BYTE"};
    case 2:
        return {"I" + std::to_string(k % 128) + "." + std::to_string(k % 8), "DIGITAL"};
    default:
        return {"DB20," + std::to_string((k * 4) % 4000) + "[2]", "REAL"};
    }
}

std::string DeviceName(int d)
{
    return "PLC" + std::to_string(d + 1);
}

bool WriteUnits(const std::string &path, int devices)
{
    DBFHandle h = DBFCreate(path.c_str());
    if (!h)
        return false;
    DBFAddField(h, "NAME", FTString, 12, 0);
    DBFAddField(h, "PROTOCOL", FTString, 20, 0);
    DBFAddField(h, "COMMENT", FTString, 30, 0);
    DBFAddField(h, "MODE", FTString, 10, 0);
    for (int d = 0; d < devices; ++d) {
        DBFWriteStringAttribute(h, d, 0, DeviceName(d).c_str());
        DBFWriteStringAttribute(h, d, 1, "VELDRIVE ETH");
        DBFWriteStringAttribute(h, d, 2, "bench");
        DBFWriteStringAttribute(h, d, 3, "Primary");
    }
    DBFClose(h);
    return true;
}

bool WriteVariables(const std::string &path, int rows, int devices)
{
    DBFHandle h = DBFCreate(path.c_str());
    if (!h)
        return false;
    DBFAddField(h, "NAME", FTString, 16, 0);
    DBFAddField(h, "ADDR", FTString, 20, 0);
    DBFAddField(h, "UNIT", FTString, 12, 0);
    DBFAddField(h, "TYPE", FTString, 10, 0);
    for (int i = 0; i < rows; ++i) {
        auto [addr, type] = Variable(i / devices);
        DBFWriteStringAttribute(h, i, 0, ("TAG" + std::to_string(i)).c_str());
        DBFWriteStringAttribute(h, i, 1, addr.c_str());
        DBFWriteStringAttribute(h, i, 2, DeviceName(i % devices).c_str());
        DBFWriteStringAttribute(h, i, 3, type.c_str());
    }
    DBFClose(h);
    return true;
}

// Runs the program with its output thrown away; seconds taken, or a negative value on failure.
double TimeRun(const std::vector<std::string> &argv)
{
    auto start = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        std::vector<char *> args;
        for (const auto &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(const std::vector<std::string> &argv, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double t = TimeRun(argv);
        if (t < 0)
            return -1;
        times.push_back(t);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    int devices = argc > 2 ? std::atoi(argv[2]) : 50;
    if (rows <= 0 || devices <= 0)
        return 2;
    char tmpl[] = "/tmp/kvz-import-bench-XXXXXX";
    if (!::mkdtemp(tmpl))
        return 1;
    fs::path dir(tmpl);
    std::string units = (dir / "units.dbf").string();
    std::string vars = (dir / "vars.dbf").string();
    std::string base = (dir / "BASE.KVZ").string();
    std::string out = (dir / "OUT.KVZ").string();
    if (!WriteUnits(units, devices) || !WriteVariables(vars, rows, devices) ||
        TimeRun({KVZCFG_PATH, "import-dbf", units, "--out", base}) < 0) {
        std::fprintf(stderr, "import_bench: could not prepare the tables in %s\n", tmpl);
        return 1;
    }

    constexpr int kRuns = 5;
    double dump = Median({DBFDUMP_PATH, vars}, kRuns);
    double import = Median({KVZCFG_PATH, "import-dbf", vars, "--into", base, "--out", out}, kRuns);
    double empty = Median({KVZCFG_PATH, "import-dbf", units, "--out", out}, kRuns);
    std::printf("variables table: %d rows across %d devices, %ju bytes\n", rows, devices,
                static_cast<uintmax_t>(fs::file_size(vars)));
    std::printf("dbfdump                           %8.3f s\n", dump);
    std::printf("kvzcfg import-dbf (into %d units) %8.3f s\n", devices, import);
    std::printf("kvzcfg import-dbf of the units    %8.3f s (start-up and save)\n", empty);
    if (dump > 0 && import > 0)
        std::printf("ratio import / dbfdump            %8.2f\n", import / dump);
    fs::remove_all(dir);
    return dump < 0 || import < 0 ? 1 : 0;
}
