#include "document/csv_file.h"
#include "document/did_doc.h"
#include "document/doc_strings.h"
#include "document/import_state.h"
#include "document/new_objects.h"
#include "document/text_mode.h"
#include "model/channel.h"
#include "model/csv_fields.h"
#include "model/device.h"
#include "model/iorec.h"
#include "model/model_message.h"
#include "model/number_text.h"
#include "model/string_table.h"
#include "platform/ui_services.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace
{

constexpr size_t kLinePiece = 1023; // a longer line is read in pieces, each taken as a line

enum class Section { None, Channel, Device, IORec, Asp };

Section SectionOf(std::string_view keyword, Section current)
{
    if (model::EqualsNoCase(keyword, LoadModelString(IDS_KEY_CHANNEL)))
        return Section::Channel;
    if (model::EqualsNoCase(keyword, LoadModelString(IDS_KEY_DEVICE_NAME)))
        return Section::Device;
    if (model::EqualsNoCase(keyword, LoadModelString(IDS_KEY_IOREC)))
        return Section::IORec;
    if (model::EqualsNoCase(keyword, LoadModelString(IDS_KEY_ASP)))
        return Section::Asp;
    return current;
}

// The next piece of at most 1023 characters, up to and including a line feed; a NUL ends the line's
// text as it would end a C string.
std::string_view NextPiece(std::string_view &rest)
{
    size_t n = std::min(rest.size(), kLinePiece);
    size_t lf = rest.substr(0, n).find('\n');
    if (lf != std::string_view::npos)
        n = lf + 1;
    std::string_view piece = rest.substr(0, n);
    rest.remove_prefix(n);
    size_t nul = piece.find('\0');
    return nul == std::string_view::npos ? piece : piece.substr(0, nul);
}

class CsvImporter
{
public:
    CsvImporter(CDidDoc &doc, std::string separator)
        : doc_(doc), separator_(std::move(separator)),
          titleMark_(LoadModelString(IDS_CSV_TITLE_MARK).front()),
          keywordMark_(LoadModelString(IDS_KEY_MARK).front())
    {
    }

    void Line(std::string_view line)
    {
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front())))
            line.remove_prefix(1);
        if (line.empty() || line.front() == '\r' || line.front() == '\n')
            return;
        if (line.front() == titleMark_)
            return;
        if (line.front() == keywordMark_) {
            std::string_view cursor = line.substr(1);
            if (auto keyword = NextCsvField(cursor, separator_))
                section_ = SectionOf(*keyword, section_);
            return;
        }
        bool taken = true;
        switch (section_) {
        case Section::Channel:
            taken = ChannelLine(line);
            break;
        case Section::Device:
            taken = DeviceLine(line);
            break;
        case Section::IORec:
            taken = IORecLine(line);
            break;
        case Section::None:
            // Most often a file written with another list separator: no keyword line matched.
            ShowModelMessage(IDS_CSV_LINE_OUTSIDE_SECTION);
            taken = false;
            break;
        case Section::Asp:
            break; // a section whose lines this driver has no objects for
        }
        if (!taken)
            ++GetImportState().linesNotTaken;
    }

private:
    // Each gives false when the line produced no object; the object or the importer has said why.
    bool ChannelLine(std::string_view line)
    {
        std::unique_ptr<CChannel> channel = NewChannel();
        SetCurrentChannelOfTree(channel.get());
        bool ignored = false;
        channel->ReadCsv(line, separator_, ignored);
        if (ignored) {
            SetCurrentChannelOfTree(lastChannel_);
            return false;
        }
        lastChannel_ = channel.get();
        doc_.m_ChannelList.push_back(std::move(channel));
        return true;
    }

    bool DeviceLine(std::string_view line)
    {
        std::unique_ptr<CDevice> device = NewDevice(lastChannel_);
        bool ignored = false;
        device->ReadCsv(line, separator_, ignored);
        if (ignored)
            return false;
        CChannel *channel = device->GetChannel();
        if (!channel) {
            ShowModelMessage(IDS_CHANNEL_NOT_FOUND);
            return false;
        }
        lastChannel_ = channel;
        channel->AddDevice(std::move(device));
        return true;
    }

    bool IORecLine(std::string_view line)
    {
        std::unique_ptr<CIORec> ioRec = NewIORec();
        bool ignored = false;
        ioRec->ReadCsv(line, separator_, ignored);
        if (ignored)
            return false;
        CDevice *device = ioRec->GetDevice();
        if (!device) {
            ShowModelMessage(IDS_DEVICE_NOT_FOUND);
            return false;
        }
        device->AddIORec(std::move(ioRec));
        return true;
    }

    CDidDoc &doc_;
    std::string separator_;
    char titleMark_;   // "["
    char keywordMark_; // "!"
    Section section_ = Section::None;
    CChannel *lastChannel_ = nullptr;
};

} // namespace

void CDidDoc::ImportCsv(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return;
    std::ostringstream raw;
    raw << in.rdbuf();
    in.close();
    const std::string text = FromTextMode(raw.view());

    ImportState &state = GetImportState();
    CsvImporter importer(*this, GetListSeparator());
    state.lineNumber = 0;
    state.errorCount = 0;
    state.linesNotTaken = 0;
    state.importing = 1;
    {
        ScopedModelMessageRedirect toErrorFile(LogImportError);
        std::string_view rest = text;
        while (!rest.empty()) {
            std::string_view piece = NextPiece(rest);
            ++state.lineNumber;
            importer.Line(piece);
        }
    }
    state.importing = 0;

    auto errors = static_cast<uint16_t>(state.errorCount);
    if (errors > 0) {
        kvz::MessageRequest box;
        box.id = IDS_IMPORT_ERRORS;
        box.text = FormatPlaceholders(LoadDocString(IDS_IMPORT_ERRORS),
                                      {std::to_string(errors), state.errorFilePath});
        box.icon = kvz::MsgIcon::Exclamation;
        kvz::Ui().ShowMessage(box);
    }
    MakeUntitled();
    SetModifiedFlag(true);
    UpdateAllViews(1);
}
