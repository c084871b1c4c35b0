// Feeds arbitrary bytes to the library as a driver image (and as the control block's message ring)
// and runs every lookup over it: nothing may be read outside the mapped objects.
#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/shm.h"
#include "platform/ui_services.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace
{

class QuietUi : public kvz::StderrUi
{
public:
    kvz::MsgResult ShowMessage(const kvz::MessageRequest &) override { return kvz::MsgResult::Ok; }
};

struct Harness {
    Harness()
    {
        nio::ResetForTests(); // the library's state outlives this harness
        std::string ns = "kvzfuzz" + std::to_string(::getpid());
        ::setenv("KVZ_SHM_NAMESPACE", ns.c_str(), 1);
        // No registry: nothing may ever be launched from here.
        ::setenv("KVZ_REGISTRY_USER", "/nonexistent/kvzfuzz", 1);
        ::setenv("KVZ_REGISTRY_MACHINE", "/nonexistent/kvzfuzz", 1);
        kvz::SetUi(&ui);
        // Sleeps cost nothing, and the heartbeat moves across each one: a driver is alive.
        nio::SetSleepFunction([this](unsigned) {
            if (view.valid())
                nio::AddField32(view.data(), nio::kCbHeartbeat, 1);
        });
        kvz::ShmResult r =
            kvz::CreateShm("Global\\KVZ_TO_IOC", nio::kControlBlockSize, kvz::ShmExisting::Replace);
        handle = std::move(r.handle);
        view = kvz::MapShm(handle, 0, nullptr);
        image = std::move(kvz::CreateShm("Global\\KVZ1", 1, kvz::ShmExisting::Replace).handle);
    }
    ~Harness()
    {
        nio::ResetForTests();
        kvz::UnlinkShm("Global\\KVZ_TO_IOC");
        kvz::UnlinkShm("Global\\KVZ1");
    }
    // Gives the one image object the input's bytes and size (the library has unmapped it).
    bool Load(const uint8_t *data, size_t size)
    {
        if (::ftruncate(image.fd(), static_cast<off_t>(size)) != 0)
            return false;
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::pwrite(image.fd(), data + done, size - done, static_cast<off_t>(done));
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    QuietUi ui;
    kvz::ShmHandle handle;
    kvz::ShmView view;
    kvz::ShmHandle image;
};

void RunLookups()
{
    init_dit();
    // An image the library refused: every lookup would only try to map it again (twice each), which
    // one lookup of each kind shows; the loops below would repeat it some fifty times an input.
    if (!nio::ImageMapped()) {
        nio_map_chan(0);
        nio_map_rec(0);
        nio_find_data(0, 1);
        return;
    }
    int16_t channels = std::min<int16_t>(nio_chan_count(), 40);
    int16_t devices = std::min<int16_t>(nio_dev_count(), 300);
    int16_t records = std::min<int16_t>(nio_rec_count(), 300);
    for (int16_t c = -1; c <= channels; ++c) {
        nio_map_chan(c);
        nio_chan_dev_count(c);
        nio_chan_rec_count(c);
        nio_chan_dev(c, 0);
        nio_chan_rec(c, 1);
    }
    for (int16_t d = -1; d <= devices; ++d)
        nio_map_dev(d);
    for (int16_t r = -1; r <= records; ++r) {
        nio_map_rec(r);
        for (int kind = 0; kind <= 6; ++kind)
            nio_find_data(r, kind);
        nio_SetTimeStamp(r);
    }
    int16_t channel = 0;
    nio_find_device("PLC1", &channel);
    nio_find_device("", &channel);
}

void RunRing(Harness &h, const uint8_t *data, size_t size)
{
    uint8_t *block = h.view.data();
    size_t ring = nio::kControlBlockSize - nio::kCbMsgWrite;
    std::memcpy(block + nio::kCbMsgWrite, data, std::min(size, ring));
    const char *text = nullptr;
    uint16_t code = 0;
    for (int i = 0; i < 70 && nio_get_message(&text, &code, 1); ++i)
        (void)std::strlen(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness harness;
    if (!harness.view.valid() || !harness.image.valid())
        return 0;
    // The library stays attached to the control block from one input to the next, and the image
    // object stays too, resized and rewritten: a run costs one mapping of the image, not a whole
    // attach. The library's own state is what an input leaves (released by UnMapDIT); counts
    // are read again from every image it takes up.
    UnMapDIT();
    uint8_t *block = harness.view.data();
    std::memset(block, 0, nio::kControlBlockSize);
    nio::StoreField32(block, nio::kCbCurrentMap, 1);
    nio::StoreField32(block, nio::kCbLoadedMap, 1);
    nio::StoreField32(block, nio::kCbHeartbeat, 1);
    // An empty image is refused as too short before any count is read.
    if (!harness.Load(data, size))
        return 0;
    RunLookups();
    RunRing(harness, data, size);
    UnMapDIT();
    return 0;
}
