// Times save, open, CSV export and CSV import of the largest configuration the file format allows
// (16 channels, 255 devices, 32767 poll records), each beside the physical floor: the same number of
// bytes written or read in one call; the CSV import also beside Python's csv.reader over the same file.
// Prints a table; never fails.
#include "document/config_image.h"
#include "document/did_doc.h"
#include "document/import_state.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kChannels = 16;
constexpr int kDevices = 255;
constexpr int kPollRecords = 32767;
constexpr int kRuns = 5;

double Seconds(const std::function<void()> &work)
{
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        runs.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(runs.begin(), runs.end());
    return runs[kRuns / 2];
}

void BuildLargest(CDidDoc &doc)
{
    std::vector<CDevice *> devices;
    for (int c = 0; c < kChannels; ++c) {
        doc.m_ChannelList.push_back(std::make_unique<CDrvSpecificChannel>());
        CChannel *channel = doc.m_ChannelList.back().get();
        doc.SetCurrentChannel(channel);
        for (int d = c; d < kDevices; d += kChannels) {
            auto device = std::make_unique<CDrvSpecificDevice>(channel);
            device->SetName("PLC" + std::to_string(d));
            device->SetDescription("Device number " + std::to_string(d) + ", hall " + std::to_string(c));
            devices.push_back(channel->AddDevice(std::move(device)));
        }
    }
    for (int k = 0; k < kPollRecords; ++k) {
        CDevice *device = devices[static_cast<size_t>(k) % devices.size()];
        auto rec = std::make_unique<CDrvSpecificIORec>();
        rec->SetDevice(device);
        std::string address = "DB" + std::to_string(1 + k % 50) + ",DBB" + std::to_string(4 * (k / 50));
        rec->ParseAddress(address, 1);
        rec->ParseAddress(address, 0);
        rec->SetLength("4");
        rec->ComputeEnd();
        device->AddIORec(std::move(rec));
    }
}

void WriteOnce(const std::string &path, const std::string &bytes, bool sync)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        std::perror("write");
    if (sync)
        ::fsync(fd);
    ::close(fd);
}

std::string ReadOnce(const std::string &path)
{
    struct stat st {
    };
    ::stat(path.c_str(), &st);
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    int fd = ::open(path.c_str(), O_RDONLY);
    if (::read(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        std::perror("read");
    ::close(fd);
    return bytes;
}

// Python's csv.reader over the file, timed inside Python (interpreter start excluded); -1 without Python.
double PythonCsvSeconds(const std::string &path)
{
    std::string command =
        "python3 -c \"import csv,time,statistics\nr=[]\nfor i in range(" + std::to_string(kRuns) +
        "):\n t=time.perf_counter()\n with open('" + path +
        "',newline='') as f:\n  n=sum(1 for _ in csv.reader(f))\n r.append(time.perf_counter()-t)\n"
        "print(statistics.median(r))\" 2>/dev/null";
    FILE *p = ::popen(command.c_str(), "r");
    if (!p)
        return -1;
    double s = -1;
    if (std::fscanf(p, "%lf", &s) != 1)
        s = -1;
    ::pclose(p);
    return s;
}

void Row(const char *what, double seconds, double floor, const char *floorName)
{
    std::printf("%-12s %9.2f ms   %-26s %9.2f ms   ratio %6.2f\n", what, seconds * 1e3, floorName,
                floor * 1e3, floor > 0 ? seconds / floor : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    // With a folder argument the files stay there for a closer look.
    bool keep = argc > 1;
    std::string dir =
        keep
            ? std::string(argv[1])
            : (std::filesystem::temp_directory_path() / ("kvz-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir + "/user");
    std::filesystem::create_directories(dir + "/machine");
    ::setenv("KVZ_REGISTRY_USER", (dir + "/user").c_str(), 1); // no startup-file question
    ::setenv("KVZ_REGISTRY_MACHINE", (dir + "/machine").c_str(), 1);
    const std::string kvz = dir + "/LARGEST.KVZ", csv = dir + "/LARGEST.CSV", raw = dir + "/raw.bin";
    GetImportState().errorFilePath = dir + "/KVZDIDW.ERR";

    CDidDoc doc;
    BuildLargest(doc);
    double save = Seconds([&] { doc.WriteConfigFile(kvz); });
    double build = Seconds([&] { BuildConfigImage(doc.m_ChannelList, 0); });
    std::string image = ReadOnce(kvz);
    double writeFloor = Seconds([&] { WriteOnce(raw, image, false); });
    double writeSyncFloor = Seconds([&] { WriteOnce(raw, image, true); });
    double open = Seconds([&] {
        doc.DeleteContents();
        doc.ReadConfigFile(kvz);
    });
    double readFloor = Seconds([&] { ReadOnce(kvz); });

    double exportCsv = Seconds([&] { doc.ExportCsv(csv); });
    std::string text = ReadOnce(csv);
    double csvWriteSyncFloor = Seconds([&] { WriteOnce(raw, text, true); });
    double importCsv = Seconds([&] {
        doc.DeleteContents();
        doc.ImportCsv(csv);
    });
    double csvReadFloor = Seconds([&] { ReadOnce(csv); });
    double python = PythonCsvSeconds(csv);

    std::printf("largest configuration: %zu channels, %d devices, %u poll records\n",
                doc.m_ChannelList.size(), kDevices, static_cast<unsigned>(GetPollRecordCount()));
    std::printf("binary file %zu bytes, CSV file %zu bytes; median of %d runs\n\n", image.size(), text.size(),
                kRuns);
    Row("save", save, writeSyncFloor, "one write + fsync");
    Row("save", save, writeFloor, "one write (no fsync)");
    Row("  of which", build, 0, "building the image in memory");
    Row("open", open, readFloor, "one read");
    Row("CSV export", exportCsv, csvWriteSyncFloor, "one write + fsync");
    Row("CSV import", importCsv, csvReadFloor, "one read");
    if (python >= 0)
        Row("CSV import", importCsv, python, "Python csv.reader alone");
    if (!keep)
        std::filesystem::remove_all(dir);
    return 0;
}
