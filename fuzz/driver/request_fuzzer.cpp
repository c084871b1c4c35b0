// Arbitrary request lines, cut as the request port cuts them, to an engine on a small configuration
// (an S7 and an S5 device, polled by nobody: their addresses are not this machine's). Every line must
// get an answer of the port's form, and the engine's image and message ring must stay as they were
// made: nothing written outside the ring, no index outside it.
#include "document/config_image.h"
#include "document/did_doc.h"
#include "driver/live_polling.h"
#include "driver/poll_engine.h"
#include "driver/request_port.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/driver_identity.h"
#include "platform/registry.h"
#include "platform/shm.h"
#include "platform/ui_services.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

class QuietUi : public kvz::IUiServices
{
public:
    kvz::MsgResult ShowMessage(const kvz::MessageRequest &) override { return kvz::MsgResult::No; }
    std::optional<std::string> AskFileName(const kvz::FileDialogRequest &) override { return std::nullopt; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void UpdateAllViews(int) override {}
};

constexpr const char *kPlant =
    "[ KVZ  Driver Configuration Report  , Monday March 02 2026, 07:30 AM ]\n"
    "!CHANNEL,DISPLAY ALARMS,REPLY TIMEOUT,DELAY,RETRIES,Protocol,Ethernet card\n"
    "1,Yes,0.5,1.0,1,TCP/IP,lo\n"
    "\n!DEVICE NAME,CHANNEL,DESCRIPTION,ETHERNET ADDRESS,READ TSAP ID,WRITE TSAP ID,PLC_type,Backup "
    "Ethernet addr,Backup read TSAP,Backup Write TSAP,\n"
    "PLC1,1,S7,E10.255.0.1,R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED\n"
    "KILN,1,S5,E10.255.0.2,READREAD,WRITWRIT,S5 Series,EDISABLED,DISABLED,DISABLED\n"
    "\n!IOREC,DEVICE NAME,DATA TYPE,POLL TIME,ACCESS TIME,EXCEPTION,DEAD BAND,START ADDRESS,LENGTH\n"
    "1,PLC1,Byte,1.0,Disabled,Disabled,0.0,\"DB010,B0000\",40\n"
    "2,PLC1,Byte,1.0,Disabled,Disabled,0.0,M0,16\n"
    "3,PLC1,Byte,1.0,Disabled,Disabled,0.0,I0,4\n"
    "4,PLC1,Byte,Disabled,Disabled,Disabled,0.0,Q2,2\n"
    "5,KILN,Word  (KF/KM),1.0,Disabled,Disabled,0.0,DB:3:0,16\n"
    "6,KILN,Word  (KF/KM),1.0,Disabled,Disabled,0.0,C:5,4\n";

class Adapter : public spoll::ImageUser
{
public:
    explicit Adapter(spoll::LivePolling &polling) : polling_(polling) {}
    void ImageTaken() override { polling_.TakeImage(); }
    void ImageLeaving() override { polling_.LeaveImage(); }

private:
    spoll::LivePolling &polling_;
};

// The engine's image and control block as they are made, apart from what a request may change:
// the message ring (its entries and indexes) and the fields the engine's own steps advance.
struct Snapshot {
    std::vector<uint8_t> image;
    std::vector<uint8_t> head; // the control block's fields before the ring
};

struct Harness {
    Harness()
    {
        std::string root = "/tmp/kvzfuzz-request-" + std::to_string(::getpid());
        std::filesystem::create_directories(root + "/user");
        std::filesystem::create_directories(root + "/machine");
        ::setenv("KVZ_REGISTRY_USER", (root + "/user").c_str(), 1);
        ::setenv("KVZ_REGISTRY_MACHINE", (root + "/machine").c_str(), 1);
        ::setenv("KVZ_SHM_NAMESPACE", ("kvzfuzzreq" + std::to_string(::getpid())).c_str(), 1);
        kvz::SetUi(&ui);
        nio::SetLogObserver([](uint16_t, const std::string &) {});
        {
            std::ofstream(root + "/PLANT.csv") << kPlant;
            CDidDoc doc;
            doc.OpenChosenFile(root + "/PLANT.csv");
            ConfigImageResult file = BuildConfigImage(doc.m_ChannelList, 0);
            imageSize = file.bytes.size();
            std::ofstream(root + "/PLANT.KVZ", std::ios::binary)
                .write(reinterpret_cast<const char *>(file.bytes.data()),
                       static_cast<std::streamsize>(file.bytes.size()));
        }
        kvz::RegWriteString(kvz::Hive::LocalMachine, kvz::ConfigKeyPath(), "ConfigFile", root + "/PLANT.KVZ");
        if (engine.Attach() != spoll::AttachResult::Attached || !nio::ImageMapped()) {
            std::fprintf(stderr, "request fuzzer: the engine did not take the configuration\n");
            std::abort();
        }
        polling =
            std::make_unique<spoll::LivePolling>(engine.ControlBlock(), spoll::AddressPolicy::LocalOnly);
        adapter = std::make_unique<Adapter>(*polling);
        engine.SetImageUser(adapter.get());
        made = Take();
        std::filesystem::remove_all(root);
    }
    Snapshot Take()
    {
        Snapshot s;
        uint8_t *header = nio_map_hdr();
        const uint8_t *block = engine.ControlBlock();
        // The fields no request has a say in: all but the heartbeat and the watchdog, which the
        // engine's and this client's own steps write, and the ring.
        s.head.assign(block, block + nio::kCbHeartbeat);
        s.head.insert(s.head.end(), block + nio::kCbLoadedMap, block + nio::kCbMsgWrite);
        if (header)
            s.image.assign(header - nio::kHeaderOffset, header - nio::kHeaderOffset + imageSize);
        return s;
    }
    ~Harness()
    {
        engine.Shutdown();
        kvz::UnlinkShm("Global\\KVZ_TO_IOC");
        kvz::UnlinkShm("KVZ_TO_IOC");
    }
    // Empties the ring as a reader would, so every input starts from the same state.
    void Drain()
    {
        uint8_t *block = engine.ControlBlock();
        nio::StoreField32(block, nio::kCbMsgRead, nio::LoadField32(block, nio::kCbMsgWrite));
    }
    QuietUi ui;
    size_t imageSize = 0;
    spoll::PollEngine engine;
    std::unique_ptr<spoll::LivePolling> polling;
    std::unique_ptr<Adapter> adapter;
    Snapshot made;
};

Harness &TheHarness()
{
    static Harness harness;
    return harness;
}

bool AnswerOfThePortsForm(const std::string &answer)
{
    return answer.size() >= 2 && (answer[0] == '0' || answer[0] == '1') && answer[1] == '\n' &&
           answer.back() == '\n';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Harness &h = TheHarness();
    std::string input(reinterpret_cast<const char *>(data), size);
    size_t at = 0;
    while (at <= input.size()) {
        size_t end = input.find_first_of("\r\n", at);
        std::string line = input.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? input.size() + 1 : end + 1;
        if (line.size() > spoll::kMostRequest)
            continue; // the port answers that itself
        std::string answer = h.polling->Answer(line);
        if (!AnswerOfThePortsForm(answer)) {
            std::fprintf(stderr, "no answer of the port's form to \"%s\": \"%s\"\n", line.c_str(),
                         answer.c_str());
            std::abort();
        }
    }
    uint8_t *block = h.engine.ControlBlock();
    if (nio::LoadField32(block, nio::kCbMsgWrite) >= nio::kMessageCount ||
        nio::LoadField32(block, nio::kCbMsgRead) >= nio::kMessageCount) {
        std::fprintf(stderr, "a message ring index left the ring\n");
        std::abort();
    }
    Snapshot now = h.Take();
    if (now.image != h.made.image || now.head != h.made.head) {
        std::fprintf(stderr, "a request changed the engine's image or control block\n");
        std::abort();
    }
    h.Drain();
    return 0;
}
