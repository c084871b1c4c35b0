#include "niolib/nio_state.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace nio;
using namespace nio::detail;

namespace
{

constexpr size_t kRegistryPathChars = 126;
constexpr size_t kAppNameRead = 126;
constexpr size_t kAppNameKept = 63;
constexpr int kRemapStepsBeforeCheck = 10;
// A driver whose heartbeat moves but which never takes up the new image must not hang the caller.
constexpr int kRemapStepsMax = 100;

std::string ProgramName()
{
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n < 0)
        return {};
    path[n] = '\0';
    std::string name = kvz::FileNameOf(std::string(path, std::min<size_t>(static_cast<size_t>(n), PATH_MAX)));
    name = name.substr(0, kAppNameRead);
    return name.substr(0, kAppNameKept);
}

void CopyField(size_t offset, size_t width, const std::string &text)
{
    uint8_t *field = Cb() + offset;
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

int OpenImage(const char *acronym)
{
    State &s = S();
    uint32_t number = CbLoad32(kCbCurrentMap);
    std::string name = ImageName(acronym, number, true);
    kvz::ShmResult r = kvz::OpenShm(name, 1);
    if (!r.handle.valid()) {
        name = ImageName(acronym, number, false);
        r = kvz::OpenShm(name, 1);
    }
    if (!r.handle.valid()) {
        UnMapDIT();
        nio_log(80, "MapToDIT() Map %s Does not exist", name.c_str());
        return 0;
    }
    UnMapDIT(); // a header or cached block into an older view must not outlive it
    s.ditHandle = std::move(r.handle);
    int error = 0;
    s.ditView = kvz::MapShm(s.ditHandle, 0, &error);
    if (!s.ditView.valid()) {
        s.ditHandle.Close();
        nio_log(70, "MapToDIT() MapViewOfFile failed %08X", static_cast<unsigned>(error));
        return 0;
    }
    s.openedMap = number;
    s.appName = ProgramName();
    nio_log(23, "Application %s connecting Map %s c=%d", s.appName.c_str(), name.c_str(),
            static_cast<int>(CbLoad32(kCbClients)));
    return 1;
}

// Reads the whole file into the view; false when a read fails or the file ends early.
bool ReadWhole(int fd, uint8_t *data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

int CreateImage(const char *acronym)
{
    State &s = S();
    char path[kRegistryPathChars];
    if (!GetConfigFilePath(path, sizeof path)) {
        nio_log(70, "Failed to open Registry Config File path");
        UnMapDIT();
        return 0;
    }
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        nio_log(70, "Failed to open file %s - %s", path, std::strerror(errno));
        UnMapDIT();
        return 0;
    }
    CopyField(kCbConfigPath, kCbConfigPathSize, path);
    struct stat st {
    };
    size_t size = ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;

    // A new image always replaces whatever an earlier driver left under the name: clients still
    // holding the old object keep their view, and nobody opens it again.
    uint32_t number = CbLoad32(kCbCurrentMap);
    std::string name = ImageName(acronym, number, true);
    kvz::ShmResult r = kvz::CreateShm(name, size, kvz::ShmExisting::Replace);
    if (!r.handle.valid()) {
        name = ImageName(acronym, number, false);
        r = kvz::CreateShm(name, size, kvz::ShmExisting::Replace);
    }
    nio_log(23, "MapToDIT() Opening file %s to map %s", path, name.c_str());
    if (!r.handle.valid()) {
        ::close(fd);
        UnMapDIT();
        nio_log(70, "MapToDriver() Driver file is not loaded");
        return 0;
    }
    int error = 0;
    kvz::ShmView view = kvz::MapShm(r.handle, size, &error);
    if (!view.valid()) {
        ::close(fd);
        kvz::UnlinkShm(name);
        UnMapDIT();
        nio_log(70, "MapToDriver() MapViewOfFile failed Err=%d", error);
        return 0;
    }
    if (!ReadWhole(fd, view.data(), size))
        nio_log(70, "Failed to read file %s - %s", path, std::strerror(errno ? errno : EIO));
    ::close(fd);
    UnMapDIT();
    s.ditHandle = std::move(r.handle);
    s.ditView = std::move(view);
    s.mappedMap = number;
    s.openedMap = number;
    CopyField(kCbMapName, kCbMapNameSize, name);
    return 1;
}

void DropCounts()
{
    State &s = S();
    s.channelCount = s.deviceCount = s.pollRecordCount = 0;
}

// The three tables must lie in the image before any record is looked up through them.
bool TablesFit()
{
    const uint8_t *h = S().header;
    State &s = S();
    return ImageSpan(ReadU32(h, kHdrChannelTable), uint64_t(kTableEntrySize) * s.channelCount) &&
           ImageSpan(ReadU32(h, kHdrDeviceTable), uint64_t(kTableEntrySize) * s.deviceCount) &&
           ImageSpan(ReadU32(h, kHdrPollRecordTable), uint64_t(kPollTableEntrySize) * s.pollRecordCount);
}

} // namespace

int MapToDIT(const char *acronym, int mode)
{
    if (!S().cbView.valid()) {
        MapToDriver(mode);
        if (!S().cbView.valid()) {
            nio_log(70, "MapToDIT() failed to open driver pointer");
            return 0;
        }
    }
    if (!acronym || std::strlen(acronym) != 3) {
        nio_log(70, "MapToDIT() failed to open DIT Table - Bad Accronym");
        return 0;
    }
    return mode ? OpenImage(acronym) : CreateImage(acronym);
}

void init_dit()
{
    State &s = S();
    if (!MapToDIT(kAcronym, 1))
        return;
    if (s.ditView.size() < kHeaderOffset + kHeaderSize) {
        UnMapDIT();
        DropCounts();
        nio_log(70, "init_dit() Corrupted file");
        return;
    }
    s.header = s.ditView.data() + kHeaderOffset;
    s.channelCount = static_cast<int8_t>(s.header[kHdrChannelCount]);
    s.deviceCount = s.header[kHdrDeviceCount];
    s.pollRecordCount = static_cast<int16_t>(ReadU16(s.header, kHdrPollRecordCount));
    uint32_t version = ReadU32(s.header, kHdrVersion);
    if (version != kVersionOlder && version != kVersionCurrent) {
        UnMapDIT();
        DropCounts();
        nio_log(70, "init_dit() Corrupted file");
        return;
    }
    if (s.channelCount < 1 || s.channelCount > kMaxChannels || s.deviceCount < 1 ||
        s.deviceCount > kMaxDevices || s.pollRecordCount < 1) {
        UnMapDIT();
        DropCounts();
        nio_log(70, "init_dit() bad object counts");
        return;
    }
    if (!TablesFit()) {
        UnMapDIT();
        DropCounts();
        nio_log(70, "init_dit() Corrupted file");
        return;
    }
    s.ditMapped = true;
    s.mappedMap = s.openedMap;
    s.cachedIndex = kNoCachedIndex;
    s.cachedBlock = nullptr;
}

void ReMapDIT()
{
    State &s = S();
    if (!s.cbView.valid())
        return;
    if (s.mappedMap == CbLoad32(kCbCurrentMap)) {
        CbStore32(kCbWatchdogMs, kWatchdogClient);
        return;
    }
    UnMapDIT();
    Sleep(10);
    int steps = 0;
    while (CbLoad32(kCbLoadedMap) != CbLoad32(kCbCurrentMap)) {
        uint32_t heartbeat = CbLoad32(kCbHeartbeat);
        Sleep(100);
        ++steps;
        if ((steps > kRemapStepsBeforeCheck && CbLoad32(kCbHeartbeat) == heartbeat) ||
            steps >= kRemapStepsMax) {
            nio_log(70, "ReMapDIT() Driver not running");
            return;
        }
    }
    init_dit();
    CbStore32(kCbWatchdogMs, kWatchdogClient);
}

int UnMapDIT()
{
    State &s = S();
    s.ditMapped = false;
    s.ditView.Unmap();
    s.ditHandle.Close();
    s.header = nullptr;
    // The cached block pointed into the view just dropped.
    s.cachedIndex = kNoCachedIndex;
    s.cachedBlock = nullptr;
    return 1;
}

uint8_t *nio_map_hdr()
{
    State &s = S();
    if (!s.ditMapped) {
        init_dit();
        if (!s.ditMapped) {
            Sleep(100);
            init_dit();
            if (!s.ditMapped) {
                nio_log(70, "nio_map_hdr() failed");
                return nullptr;
            }
        }
    }
    ReMapDIT();
    return s.header;
}

void nio_poll_reload()
{
    State &s = S();
    UnMapDIT();
    if (s.cbView.valid()) {
        uint32_t next = CbLoad32(kCbCurrentMap) + 1;
        CbStore32(kCbCurrentMap, next > kMapCycle ? 1 : next);
    }
    init_dit();
    if (s.cbView.valid())
        CbStore32(kCbLoadedMap, CbLoad32(kCbCurrentMap));
    nio_log(39, "nio_poll_reload()");
}
