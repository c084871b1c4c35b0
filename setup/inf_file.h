#pragma once
// Reader for the part of the INF syntax the installer needs: [sections], `key = value` lines,
// comma-separated fields, `;` comments, quoted strings ("" is one quote), a trailing `\` that joins
// the next line, and `%key%` substitution from [Strings] (or from the directory ids) when a field is
// used. A line that cannot be read is kept as malformed, so that only the section holding it fails.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kvz::setup
{

class DirectoryIds;

struct InfLine {
    int number = 0;                  // first physical line, from 1
    bool hasKey = false;             // the line had an unquoted '='
    std::string key;                 // text before the '=' (quotes removed, not substituted)
    std::vector<std::string> fields; // comma-separated values (quotes removed, not substituted)
    bool malformed = false;          // unterminated quote or bad section header
};

struct InfSection {
    std::string name;
    std::vector<InfLine> lines;
};

// Largest INF file read; distribution media never hold more.
constexpr size_t kMaxInfFileSize = 4 * 1024 * 1024;

class InfFile
{
public:
    // Never fails: unreadable lines are kept as malformed. Sections of the same name are merged.
    static InfFile Parse(std::string_view bytes);

    // Case-insensitive; null when the file has no such section.
    const InfSection *FindSection(std::string_view name) const;
    const std::vector<InfSection> &Sections() const { return sections_; }

    // Replaces %key% by its [Strings] value, else (all digits) by the directory of that id when
    // `dirids` knows it; %% is one %. Unknown keys stay as written. The result is not scanned again.
    std::string Substitute(std::string_view text, const DirectoryIds *dirids = nullptr) const;

    // True when a [Version] section names a style other than the Windows 4 ones ("$Windows NT$",
    // "$Chicago$", "$Windows 95$"). A file without [Version] is taken as it is.
    bool HasForeignSignature() const;

private:
    std::vector<InfSection> sections_;
    std::map<std::string, std::string> strings_; // upper-cased key -> value
};

struct InfOpenResult {
    bool ok = false;
    int error = 0; // errno-style code when !ok
    InfFile inf;
};

// Reads and parses an INF file (UTF-8, or UTF-16LE with its byte-order mark). Fails when the file
// cannot be read, exceeds kMaxInfFileSize, holds no section at all, or has a foreign signature.
InfOpenResult OpenInfFile(const std::string &path);

} // namespace kvz::setup
