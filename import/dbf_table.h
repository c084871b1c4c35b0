#pragma once
// One host DBF table, opened read-only through shapelib's DBF module. The table is checked before any
// record is read: shapelib trusts the header's field widths and record length, and a table written by
// anything else is untrusted input.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace hostdb
{

class DbfTable
{
public:
    // The table at exactly `path` (no companion file is looked for), or nothing when it cannot be
    // opened or its header does not describe records that fit in the file's own layout.
    static std::unique_ptr<DbfTable> Open(const std::string &path);
    ~DbfTable();
    DbfTable(const DbfTable &) = delete;
    DbfTable &operator=(const DbfTable &) = delete;

    // Index of the first field whose name matches `name` in its first 10 characters, case ignored;
    // -1 when there is none.
    int FieldIndex(std::string_view name) const;
    // The record count the header states.
    int RecordCount() const;
    // How many records the file can hold at all; records beyond cannot be read.
    int RecordsHeld() const { return m_recordsHeld; }
    // The field's value with leading and trailing blanks removed; nothing when the record or the
    // field cannot be read.
    std::optional<std::string> ReadText(int record, int field) const;

private:
    explicit DbfTable(void *handle, int recordsHeld) : m_handle(handle), m_recordsHeld(recordsHeld) {}

    void *m_handle; // DBFHandle, kept out of this header so that callers need no shapelib
    int m_recordsHeld;
};

} // namespace hostdb
