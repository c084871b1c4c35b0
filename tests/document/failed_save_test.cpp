// A save that fails part-way loses nothing: the old file stays byte for byte, the document keeps its
// path, title and modified flag, and the user is told.
#include "doc_fixture.h"

#include "model/channel.h"
#include "niolib/nio_support.h"
#include "platform/atomic_file_writer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <optional>
#include <sys/resource.h>

using namespace doctest;
using kvz::MsgResult;

namespace
{

// Lets the process write at most `bytes` bytes into any one file (the kernel refuses the rest with
// EFBIG, as a full disk refuses with ENOSPC) for the lifetime of the object.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousSignal_);
    }

private:
    rlimit previous_{};
    void (*previousSignal_)(int) = nullptr;
};

size_t FilesIn(const std::filesystem::path &dir)
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

class FailedSaveTest : public DocTest
{
protected:
    void BuildPlant()
    {
        CChannel *c = AddChannel();
        AddIORec(AddDevice(c, "PLC1"), "DB10,DBB0", "40");
        AddIORec(AddDevice(c, "PLC2"), "M0", "16");
    }
};

TEST_F(FailedSaveTest, AWriteRefusedAtEveryOffsetLeavesTheOldFileAndTheDocument)
{
    BuildPlant();
    const std::string path = dir_ / "PLANT.KVZ";
    doc_->WriteConfigFile(path);
    const std::vector<uint8_t> old = ReadBytes(path);
    AddIORec(FindDeviceByName("PLC2"), "M100", "10"); // the new file is longer than the old
    doc_->SetPathName("/before/OLD.KVZ");
    doc_->SetTitle("before");
    doc_->SetModifiedFlag();
    doc_->m_bReloadPending = 0;

    size_t newSize = 0;
    for (rlim_t limit = 0;; ++limit) {
        ui_.Clear();
        bool done;
        {
            FileSizeLimit fsize(limit);
            doc_->WriteConfigFile(path);
            done = ui_.messages.empty();
        }
        if (done) {
            newSize = ReadBytes(path).size();
            break;
        }
        ASSERT_EQ(ReadBytes(path), old) << "limit " << limit;
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_NE(ui_.messages[0].text.find("Save Failed. Disk Full."), std::string::npos)
            << ui_.messages[0].text;
        EXPECT_EQ(doc_->GetPathName(), "/before/OLD.KVZ");
        EXPECT_EQ(doc_->GetTitle(), "before");
        EXPECT_TRUE(doc_->IsModified());
        EXPECT_EQ(doc_->m_bReloadPending, 0);
        EXPECT_EQ(FilesIn(dir_.path()), 1u) << "a temporary file was left behind";
    }
    EXPECT_GT(newSize, old.size());
    EXPECT_EQ(doc_->GetPathName(), path);
    EXPECT_FALSE(doc_->IsModified());
}

TEST_F(FailedSaveTest, AFolderThatCannotTakeTheFileReportsFileSaveFailed)
{
    BuildPlant();
    doc_->SetTitle("before");
    doc_->WriteConfigFile(dir_ / "missing/PLANT.KVZ");
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "File Save Failed");
    EXPECT_EQ(ui_.messages[0].caption, "xxxDIDW.EXE");
    EXPECT_EQ(doc_->GetTitle(), "before");
    EXPECT_EQ(doc_->m_ChannelList[0]->DeviceCount(), 2u);
}

// A file marked read-only is left alone by every user, the superuser included: the binary save reports
// "File Save Failed", the export "Unable to open file. Please Check file attributes. ".
TEST_F(FailedSaveTest, AReadOnlyTargetIsNeitherSavedOverNorExportedOver)
{
    BuildPlant();
    const std::string kvz = dir_ / "PLANT.KVZ", csv = dir_ / "PLANT.CSV";
    WriteText(kvz, "old binary");
    WriteText(csv, "old text");
    for (const std::string &path : {kvz, csv})
        std::filesystem::permissions(path,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    doc_->SetTitle("before");
    doc_->SetModifiedFlag();

    doc_->WriteConfigFile(kvz);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "File Save Failed");
    EXPECT_EQ(ui_.messages[0].caption, "xxxDIDW.EXE");
    EXPECT_EQ(doc_->GetTitle(), "before");
    EXPECT_TRUE(doc_->IsModified());

    ui_.Clear();
    doc_->ExportCsv(csv);
    ASSERT_EQ(ui_.Ids(), std::vector<int>{10405});
    EXPECT_EQ(ui_.messages[0].text, "Unable to open file. Please Check file attributes. ");
    EXPECT_EQ(ui_.messages[0].icon, kvz::MsgIcon::Exclamation);

    EXPECT_EQ(ReadText(kvz), "old binary");
    EXPECT_EQ(ReadText(csv), "old text");
    EXPECT_EQ(FilesIn(dir_.path()), 2u);
}

TEST_F(FailedSaveTest, ACsvExportThatFailsPartWayKeepsTheOldFile)
{
    BuildPlant();
    const std::string path = dir_ / "PLANT.CSV";
    doc_->ExportCsv(path);
    const std::string old = ReadText(path);
    AddIORec(FindDeviceByName("PLC2"), "M100", "10");
    for (rlim_t limit : {rlim_t{0}, rlim_t{1}, rlim_t{100}, static_cast<rlim_t>(old.size())}) {
        ui_.Clear();
        {
            FileSizeLimit fsize(limit);
            doc_->ExportCsv(path);
        }
        EXPECT_EQ(ReadText(path), old) << "limit " << limit;
        ASSERT_EQ(ui_.Texts(), std::vector<std::string>{"Save Failed. Disk Full."}) << "limit " << limit;
        EXPECT_EQ(FilesIn(dir_.path()), 1u);
    }
}

// Reload offers to save the changes; when that save fails the reload stops there: the edits stay in
// memory, the file is not read again and the driver is not restarted.
TEST_F(FailedSaveTest, AFailedSaveInsideReloadKeepsTheEditsAndLeavesTheDriverAlone)
{
    std::vector<std::string> logs;
    nio::SetLogObserver([&](uint16_t, const std::string &text) { logs.push_back(text); });
    BuildPlant();
    const std::string path = dir_ / "PLANT.KVZ";
    doc_->WriteConfigFile(path);
    const std::vector<uint8_t> saved = ReadBytes(path);
    const auto ownerRead = std::filesystem::perms::owner_read | std::filesystem::perms::group_read;
    const auto ownerWrite = ownerRead | std::filesystem::perms::owner_write;

    for (bool readOnly : {true, false}) {
        CDevice *device = doc_->m_ChannelList[0]->Devices()[0].get();
        device->SetDescription(readOnly ? "edit 1" : "edit 2");
        doc_->SetModifiedFlag();
        ui_.Clear();
        logs.clear();
        ui_.answers = {MsgResult::Yes};
        std::filesystem::permissions(path, readOnly ? ownerRead : ownerWrite);
        {
            std::optional<FileSizeLimit> fsize;
            if (!readOnly)
                fsize.emplace(saved.size() / 2); // the write is refused half-way
            doc_->OnReload();
        }
        ASSERT_EQ(ui_.messages.size(), 2u) << readOnly;
        EXPECT_EQ(ui_.messages[0].id, 10304);
        EXPECT_NE(ui_.messages[1].text.find(readOnly ? "File Save Failed" : "Save Failed. Disk Full."),
                  std::string::npos)
            << ui_.messages[1].text;
        EXPECT_EQ(device, doc_->m_ChannelList[0]->Devices()[0].get()) << "the tree was read again";
        EXPECT_EQ(device->GetDescription(), readOnly ? "edit 1" : "edit 2");
        EXPECT_TRUE(doc_->IsModified());
        EXPECT_EQ(doc_->m_bReloadPending, 1);
        EXPECT_EQ(std::count_if(logs.begin(), logs.end(),
                                [](const std::string &t) { return t.starts_with("ReloadConfiguration("); }),
                  0);
        EXPECT_EQ(ReadBytes(path), saved);
        EXPECT_EQ(ui_.waitDepth, 0);
    }
}

// The stepwise writer itself: a write refused at any offset, all at once or after short writes.
TEST(AtomicFileWriterTest, RefusalAtAnyOffsetLeavesTheTargetUntouched)
{
    kvz::test::TempDir dir;
    const std::string path = dir / "target.bin";
    WriteText(path, "old contents");
    std::string bytes(300, 'x');
    for (size_t allowed = 0; allowed < bytes.size(); ++allowed) {
        for (bool shortWrites : {false, true}) {
            size_t written = 0;
            kvz::AtomicFileWriter writer(path, [&](int fd, const void *data, size_t size) -> ssize_t {
                if (written >= allowed) {
                    errno = ENOSPC;
                    return -1;
                }
                size_t n = std::min(size, allowed - written);
                if (shortWrites)
                    n = std::min<size_t>(n, 7);
                ssize_t r = ::write(fd, data, n);
                written += static_cast<size_t>(r);
                return r;
            });
            ASSERT_TRUE(writer.Open());
            std::error_code error;
            bool ok = writer.Write(std::string_view(bytes).substr(0, 150), &error) &&
                      writer.Write(std::string_view(bytes).substr(150), &error) && writer.Commit(&error);
            ASSERT_FALSE(ok);
            EXPECT_EQ(error, std::errc::no_space_on_device);
            EXPECT_EQ(writer.BytesWritten(), allowed);
            EXPECT_FALSE(writer.Commit());
            EXPECT_EQ(ReadText(path), "old contents");
            ASSERT_EQ(FilesIn(dir.path()), 1u);
        }
    }
}

TEST(AtomicFileWriterTest, CommitReplacesTheTargetAndKeepsItsMode)
{
    kvz::test::TempDir dir;
    const std::string path = dir / "target.bin";
    WriteText(path, "old");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    kvz::AtomicFileWriter writer(path);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write(std::string_view("new contents")));
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(ReadText(path), "new contents");
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(AtomicFileWriterTest, AFolderAsTargetIsRefusedAtOpen)
{
    kvz::test::TempDir dir;
    std::error_code error;
    kvz::AtomicFileWriter writer(dir.path());
    EXPECT_FALSE(writer.Open(&error));
    EXPECT_EQ(error, std::errc::is_a_directory);
}

} // namespace
