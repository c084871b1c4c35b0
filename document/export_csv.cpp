#include "document/csv_file.h"
#include "document/did_doc.h"
#include "document/doc_strings.h"
#include "document/read_only_file.h"
#include "document/save_time.h"
#include "model/channel.h"
#include "model/device.h"
#include "model/iorec.h"
#include "model/string_table.h"
#include "platform/ui_services.h"

#include <cerrno>
#include <ctime>

namespace
{

constexpr size_t kTimeBuffer = 128;

// "[ KVZ  Driver Configuration Report  , Wednesday December 09 2026, 10:36 PM ]"
std::string TitleLine()
{
    std::time_t now = SaveTimeNow();
    std::tm parts{};
    bool ok = SaveTimeIsFixed() ? gmtime_r(&now, &parts) != nullptr : localtime_r(&now, &parts) != nullptr;
    char when[kTimeBuffer] = {};
    if (!ok || std::strftime(when, sizeof when, "  , %A %B %d %Y, %I:%M %p ]", &parts) == 0)
        when[0] = '\0';
    return LoadModelString(IDS_CSV_TITLE_MARK) + " " + kDocAcronym + LoadDocString(IDS_REPORT_TITLE) + when;
}

void ShowOpenFailure(const std::string &path, const std::error_code &error)
{
    kvz::MessageRequest box;
    box.icon = kvz::MsgIcon::Exclamation;
    if (error.value() == EACCES || error.value() == EPERM || error.value() == EROFS) {
        box.id = IDS_UNABLE_TO_OPEN;
        box.text = LoadDocString(IDS_UNABLE_TO_OPEN);
    } else {
        // Any other cause is reported too: an export that silently writes nothing looks like one that worked.
        box.text = std::string(doctext::kSaveFailed) + ": " + path + ": " + error.message();
    }
    kvz::Ui().ShowMessage(box);
}

} // namespace

void CDidDoc::ExportCsv(const std::string &path)
{
    if (m_ChannelList.empty())
        return;
    CsvOutput file(path);
    std::error_code error;
    if (IsMarkedReadOnly(path))
        error = std::make_error_code(std::errc::permission_denied);
    if (error || !file.Open(&error)) {
        ShowOpenFailure(path, error);
        return;
    }
    if (!WriteCsvLine(file, TitleLine()))
        return;

    std::string separator = GetListSeparator();
    const std::string mark = LoadModelString(IDS_KEY_MARK);
    std::string line = mark;
    m_ChannelList.front()->WriteCsvHeader(line, separator);
    if (!WriteCsvLine(file, line))
        return;
    std::vector<CDevice *> devices;
    for (size_t i = 0; i < m_ChannelList.size(); ++i) {
        CChannel &channel = *m_ChannelList[i];
        channel.SetChannelNumberValue(static_cast<uint16_t>(i + 1));
        line.clear();
        channel.WriteCsv(line, separator);
        if (!WriteCsvLine(file, line))
            return;
        for (const auto &d : channel.Devices())
            if (d->IORecCount() > 0) {
                d->SetChannelNumber(static_cast<uint16_t>(i + 1));
                devices.push_back(d.get());
            }
    }

    if (!WriteCsvLine(file, ""))
        return;
    line = mark;
    if (!devices.empty())
        devices.front()->WriteCsvHeader(line, separator);
    if (!WriteCsvLine(file, line))
        return;
    std::vector<CIORec *> records;
    for (CDevice *d : devices) {
        line.clear();
        d->WriteCsv(line, separator);
        if (!WriteCsvLine(file, line))
            return;
        for (const auto &r : d->IORecs())
            records.push_back(r.get());
    }

    if (!WriteCsvLine(file, ""))
        return;
    line = mark;
    if (!records.empty())
        records.front()->WriteCsvHeader(line, separator);
    if (!WriteCsvLine(file, line))
        return;
    for (size_t k = 0; k < records.size(); ++k) {
        records[k]->SetRecordNumberValue(static_cast<int16_t>(k + 1));
        line.clear();
        records[k]->WriteCsv(line, separator);
        if (!WriteCsvLine(file, line))
            return;
    }
    if (!file.Close(&error))
        ShowCsvWriteFailure(error);
}
