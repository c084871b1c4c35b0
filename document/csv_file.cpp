#include "document/csv_file.h"

#include "document/doc_strings.h"
#include "document/text_mode.h"
#include "platform/registry.h"
#include "platform/ui_services.h"

#include <cerrno>

namespace
{
constexpr size_t kSeparatorBuffer = 4; // the value and its terminator must fit
constexpr size_t kFlushSize = 1 << 16;
constexpr const char *kInternationalKey = "Control Panel\\International";
} // namespace

std::string GetListSeparator()
{
    auto value = kvz::RegReadString(kvz::Hive::CurrentUser, kInternationalKey, "sList");
    if (!value || value->empty() || value->size() >= kSeparatorBuffer)
        return ",";
    return value->substr(0, 1);
}

bool CsvOutput::Append(std::string_view text, std::error_code *error)
{
    AppendTextMode(pending_, text);
    return pending_.size() < kFlushSize || Flush(error);
}

bool CsvOutput::Flush(std::error_code *error)
{
    bool ok = writer_.Write(pending_, error);
    pending_.clear();
    return ok;
}

bool CsvOutput::Close(std::error_code *error)
{
    return Flush(error) && writer_.Commit(error);
}

int WriteCsvLine(CsvOutput &file, std::string_view line)
{
    std::error_code error;
    std::string text(line);
    text += '\n';
    if (file.Append(text, &error))
        return 1;
    file.Abandon();
    ShowCsvWriteFailure(error);
    return 0;
}

void ShowCsvWriteFailure(const std::error_code &error)
{
    bool full = error.value() == ENOSPC || error.value() == EDQUOT || error.value() == EFBIG;
    kvz::MessageRequest box;
    box.id = full ? IDS_DISK_FULL : 0;
    // Other errors are reported too: an export that silently stops would look like one that worked.
    box.text =
        full ? LoadDocString(IDS_DISK_FULL) : std::string(doctext::kSaveFailed) + ": " + error.message();
    box.buttons = kvz::MsgButtons::Ok;
    box.icon = kvz::MsgIcon::Exclamation;
    kvz::Ui().ShowMessage(box);
}
