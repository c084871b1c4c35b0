#include "import/dbf_table.h"

#include <shapefil.h>

#include <cstdio>
#include <strings.h>
#include <sys/stat.h>

namespace hostdb
{
namespace
{

constexpr size_t kFieldNameCompare = 10;
constexpr int kFieldNameBuffer = 12; // shapelib writes up to 11 characters and a terminator

// shapelib builds the names it opens from the path (it swaps the extension for ".dbf", then ".DBF",
// and looks for a ".cpg" companion). On a case-sensitive file system that would open a different file
// than the one chosen, or none for an .RDB table, so the open hook opens the chosen path itself and
// refuses every companion file.
thread_local const char *t_chosenPath = nullptr;

SAFile OpenChosenFile(const char *name, const char *access)
{
    std::string_view n(name);
    bool companion = n.size() >= 4 && strcasecmp(name + n.size() - 4, ".cpg") == 0;
    if (companion || !t_chosenPath || access[0] != 'r')
        return nullptr;
    return reinterpret_cast<SAFile>(std::fopen(t_chosenPath, "rb"));
}

void QuietError(const char *) {}

// Every field shapelib will cut out of a record must lie within the record, and the counts must be
// sane; shapelib itself does not check this before it copies a field out of its record buffer.
bool LayoutFits(const DBFInfo &info)
{
    if (info.nRecordLength <= 0 || info.nFields < 0 || info.nRecords < 0 || info.nHeaderLength < 32)
        return false;
    for (int i = 0; i < info.nFields; ++i) {
        long offset = info.panFieldOffset[i];
        long size = info.panFieldSize[i];
        if (offset < 0 || size < 0 || offset + size > info.nRecordLength)
            return false;
    }
    return true;
}

int RecordsInFile(const DBFInfo &info)
{
    struct stat st {
    };
    FILE *file = reinterpret_cast<FILE *>(info.fp);
    if (!file || ::fstat(fileno(file), &st) != 0 || st.st_size < info.nHeaderLength)
        return 0;
    long long held = (static_cast<long long>(st.st_size) - info.nHeaderLength) / info.nRecordLength;
    return held > info.nRecords ? info.nRecords : static_cast<int>(held);
}

DBFHandle Handle(void *h)
{
    return static_cast<DBFHandle>(h);
}

} // namespace

std::unique_ptr<DbfTable> DbfTable::Open(const std::string &path)
{
    struct stat st {
    };
    // Only a regular file: a FIFO or a device would block or never end.
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;

    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = OpenChosenFile;
    hooks.Error = QuietError;
    t_chosenPath = path.c_str();
    DBFHandle handle = DBFOpenLL(path.c_str(), "rb", &hooks);
    t_chosenPath = nullptr;
    if (!handle)
        return nullptr;
    if (!LayoutFits(*handle)) {
        DBFClose(handle);
        return nullptr;
    }
    return std::unique_ptr<DbfTable>(new DbfTable(handle, RecordsInFile(*handle)));
}

DbfTable::~DbfTable()
{
    DBFClose(Handle(m_handle));
}

int DbfTable::FieldIndex(std::string_view name) const
{
    std::string wanted(name.substr(0, kFieldNameCompare));
    int count = DBFGetFieldCount(Handle(m_handle));
    for (int i = 0; i < count; ++i) {
        char fieldName[kFieldNameBuffer] = {};
        DBFGetFieldInfo(Handle(m_handle), i, fieldName, nullptr, nullptr);
        fieldName[kFieldNameBuffer - 1] = '\0';
        if (strncasecmp(fieldName, wanted.c_str(), kFieldNameCompare) == 0)
            return i;
    }
    return -1;
}

int DbfTable::RecordCount() const
{
    return DBFGetRecordCount(Handle(m_handle));
}

std::optional<std::string> DbfTable::ReadText(int record, int field) const
{
    if (record < 0 || record >= m_recordsHeld || field < 0 || field >= DBFGetFieldCount(Handle(m_handle)))
        return std::nullopt;
    const char *value = DBFReadStringAttribute(Handle(m_handle), record, field);
    if (!value)
        return std::nullopt;
    std::string_view text(value);
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return std::string();
    size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

} // namespace hostdb
