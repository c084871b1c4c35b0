// Arbitrary bytes written as a DBF table and imported both as a units table and as a variables table,
// into a tree with an S7 and an S5 device so that learned addresses reach both families.
#include "import/host_import.h"
#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/tree_state.h"
#include "platform/ui_services.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{

class SilentUi : public kvz::IUiServices
{
public:
    kvz::MsgResult ShowMessage(const kvz::MessageRequest &) override { return kvz::MsgResult::Ok; }
    std::optional<std::string> AskFileName(const kvz::FileDialogRequest &) override { return std::nullopt; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void UpdateAllViews(int) override {}
};

const std::string &Folder()
{
    static const std::string folder = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kvz-import-fuzz-XXXXXX").string();
        if (!::mkdtemp(tmpl.data()))
            std::abort();
        return tmpl;
    }();
    return folder;
}

void AddDevice(CChannel &channel, const char *name, uint16_t plcTypeValue)
{
    auto device = std::make_unique<CDrvSpecificDevice>(&channel);
    device->SetName(name);
    device->SetPlcTypeIndex(DictIndexOf(KVZ_hw_options_dct, plcTypeValue));
    channel.AddDevice(std::move(device));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static SilentUi ui;
    kvz::SetUi(&ui);

    ChannelList channels;
    ResetPollRecordCount();
    PublishChannelList(&channels);
    auto channel = std::make_unique<CDrvSpecificChannel>();
    SetCurrentChannelOfTree(channel.get());
    AddDevice(*channel, "PLC1", 1);
    AddDevice(*channel, "S5PLC", 0);
    channels.push_back(std::move(channel));

    const std::string path = Folder() + "/UNITS.DBF";
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        hostdb::ImportUnits(path);
        hostdb::ImportVariables(path);
    }

    channels.clear();
    PublishChannelList(nullptr);
    ResetPollRecordCount();
    kvz::SetUi(nullptr);
    return 0;
}
