#include "document/config_image.h"
#include "document/did_doc.h"
#include "document/doc_strings.h"
#include "document/read_only_file.h"
#include "document/save_time.h"
#include "document/startup_file.h"
#include "niolib/niolib.h"
#include "platform/atomic_file_writer.h"
#include "platform/ui_services.h"

#include <cerrno>

namespace
{

bool IsDiskFull(const std::error_code &error)
{
    return error.value() == ENOSPC || error.value() == EDQUOT || error.value() == EFBIG;
}

// A save that stopped after the file was opened: the user learns why; the old file is untouched.
void ReportSaveError(const std::string &path, const std::string &reason)
{
    kvz::MessageRequest box;
    box.text = std::string(doctext::kSaveFailed) + ": " + path + ": " + reason;
    box.buttons = kvz::MsgButtons::Ok;
    box.icon = kvz::MsgIcon::Stop;
    kvz::Ui().ShowMessage(box);
}

} // namespace

void CDidDoc::WriteConfigFile(const std::string &path)
{
    ConfirmStartupFile(path);

    // The new file is written beside the old one and replaces it only when every byte is on disk.
    kvz::AtomicFileWriter file(path);
    if (IsMarkedReadOnly(path) || !file.Open()) {
        nio_log(70, "%s", doctext::kSaveFailed);
        return;
    }
    ConfigImageResult image = BuildConfigImage(m_ChannelList, static_cast<uint32_t>(SaveTimeNow()));
    if (!image.error.empty()) {
        ReportSaveError(path, image.error);
        return;
    }
    std::error_code error;
    if (!file.Write(image.bytes, &error) || !file.Commit(&error)) {
        ReportSaveError(path, IsDiskFull(error) ? LoadDocString(IDS_DISK_FULL) : error.message());
        return;
    }

    m_strTitle = path;
    m_strPathName = path;
    AddToRecentFileList(path);
    if (HasPollRecords())
        m_bReloadPending = 1;
    SetModifiedFlag(false);
}
