#include "setup/inf_install.h"

#include "platform/paths.h"
#include "platform/registry.h"
#include "setup/media_paths.h"

#include <cctype>
#include <cerrno>
#include <functional>
#include <optional>
#include <vector>

namespace kvz::setup
{
namespace
{

constexpr std::string_view kDestinationDirs = "DestinationDirs";
constexpr std::string_view kDefaultDestDir = "DefaultDestDir";
constexpr std::string_view kCopyFiles = "CopyFiles";
constexpr std::string_view kAddReg = "AddReg";
constexpr std::string_view kSourceDisksNames = "SourceDisksNames";
constexpr std::string_view kSourceDisksFiles = "SourceDisksFiles";
constexpr std::string_view kClassesKey = "Software\\Classes";
// The registry store cannot hold an empty value name; a key's default value goes by the name
// registry exports give it.
constexpr const char *kDefaultValueName = "@";

SectionResult Fail(int error, int line = 0)
{
    return SectionResult{false, error, line};
}

// "0x..." hexadecimal or decimal, the whole text, within 32 bits.
std::optional<uint32_t> ParseNumber(std::string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        int d;
        if (std::isdigit(static_cast<unsigned char>(c)))
            d = c - '0';
        else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
            d = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        else
            return std::nullopt;
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    }
    if (v > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

// A relative path inside its root: '\' read as '/', "." and empty parts dropped, and nothing that
// climbs out (an absolute path, a drive, "..") accepted.
std::optional<std::string> SafeRelativePath(std::string_view text, bool allowEmpty = false)
{
    if (text.empty() || text.front() == '/' || text.front() == '\\' || (text.size() > 1 && text[1] == ':'))
        return std::nullopt;
    std::string out;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of("/\\", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view part = text.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return std::nullopt;
        if (!out.empty())
            out += '/';
        out += part;
    }
    if (out.empty() && !allowEmpty)
        return std::nullopt;
    return out;
}

// A destination file name: one name, no folder.
bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos;
}

std::string Field(const InfFile &inf, const InfLine &line, size_t index, const DirectoryIds &dirids)
{
    return index < line.fields.size() ? inf.Substitute(line.fields[index], &dirids) : std::string();
}

// Calls `visit` for every field of every `directive` line of the section; stops at the first failure.
SectionResult
ForEachDirectiveField(const InfSection &section, std::string_view directive,
                      const std::function<SectionResult(const InfLine &, const std::string &)> &visit)
{
    for (const InfLine &line : section.lines) {
        if (line.malformed)
            return Fail(EINVAL, line.number);
        if (!line.hasKey || !EqualsIgnoreCase(line.key, directive))
            continue;
        for (const std::string &field : line.fields) {
            if (field.empty())
                continue;
            if (SectionResult r = visit(line, field); !r.ok)
                return r;
        }
    }
    return {};
}

// The folder for a file-list section: its [DestinationDirs] line, else DefaultDestDir.
std::optional<std::string> DestinationFolder(const InfFile &inf, std::string_view listSection,
                                             const DirectoryIds &dirids, int &failedLine)
{
    const InfSection *dirs = inf.FindSection(kDestinationDirs);
    if (!dirs)
        return std::nullopt;
    const InfLine *chosen = nullptr;
    for (const InfLine &line : dirs->lines) {
        if (line.hasKey && EqualsIgnoreCase(line.key, listSection)) {
            chosen = &line;
            break;
        }
        if (line.hasKey && EqualsIgnoreCase(line.key, kDefaultDestDir) && !chosen)
            chosen = &line;
    }
    if (!chosen)
        return std::nullopt;
    failedLine = chosen->number;
    if (chosen->malformed)
        return std::nullopt;
    auto id = ParseNumber(Field(inf, *chosen, 0, dirids));
    if (!id)
        return std::nullopt;
    auto folder = dirids.Find(*id);
    if (!folder)
        return std::nullopt;
    std::string sub = Field(inf, *chosen, 1, dirids);
    if (sub.empty())
        return folder;
    auto relative = SafeRelativePath(sub);
    if (!relative)
        return std::nullopt;
    return JoinPath(*folder, *relative);
}

// The folder of a source file below the media root: its disk's path from [SourceDisksNames] (written
// from the media's root) and its subfolder from [SourceDisksFiles], when the INF names them; "" when
// it names neither; nothing when either climbs out of the media.
std::optional<std::string> SourceFolder(const InfFile &inf, const std::string &sourceName,
                                        const DirectoryIds &dirids)
{
    const InfSection *files = inf.FindSection(kSourceDisksFiles);
    const InfLine *entry = nullptr;
    for (size_t i = 0; files && !entry && i < files->lines.size(); ++i) {
        const InfLine &line = files->lines[i];
        if (line.hasKey && !line.malformed && EqualsIgnoreCase(inf.Substitute(line.key, &dirids), sourceName))
            entry = &line;
    }
    if (!entry)
        return std::string();
    std::string diskPath;
    std::string disk = Field(inf, *entry, 0, dirids);
    if (const InfSection *names = inf.FindSection(kSourceDisksNames); names && !disk.empty()) {
        for (const InfLine &line : names->lines) {
            if (line.hasKey && !line.malformed && inf.Substitute(line.key, &dirids) == disk) {
                diskPath = Field(inf, line, 3, dirids);
                break;
            }
        }
    }
    std::string folder;
    for (std::string part : {diskPath, Field(inf, *entry, 1, dirids)}) {
        size_t start = part.find_first_not_of("/\\");
        if (start == std::string::npos)
            continue;
        auto relative = SafeRelativePath(std::string_view(part).substr(start), true);
        if (!relative)
            return std::nullopt;
        if (!relative->empty())
            folder = folder.empty() ? *relative : folder + "/" + *relative;
    }
    return folder;
}

// Where a source file is read: below the media root, in its disk's folder when the INF names one.
std::optional<std::string> SourcePath(const InfFile &inf, const std::string &root, const std::string &name,
                                      const DirectoryIds &dirids)
{
    auto relative = SafeRelativePath(name);
    auto folder = SourceFolder(inf, name, dirids);
    if (!relative || !folder)
        return std::nullopt;
    return FindOnMedia(root, folder->empty() ? *relative : *folder + "/" + *relative);
}

// The copies of one file-list section.
SectionResult CollectFileList(const InfFile &inf, const std::string &listName, const DirectoryIds &dirids,
                              const std::string &sourceRoot, uint32_t copyStyle, std::vector<QueuedCopy> &out)
{
    const InfSection *list = inf.FindSection(listName);
    if (!list)
        return Fail(ENOENT);
    int dirLine = 0;
    auto folder = DestinationFolder(inf, listName, dirids, dirLine);
    if (!folder)
        return Fail(ENOENT, dirLine);
    for (const InfLine &line : list->lines) {
        if (line.malformed || line.hasKey)
            return Fail(EINVAL, line.number);
        std::string dest = Field(inf, line, 0, dirids);
        std::string source = Field(inf, line, 1, dirids);
        if (source.empty())
            source = dest;
        auto sourcePath = SourcePath(inf, sourceRoot, source, dirids);
        if (!IsPlainFileName(dest) || !sourcePath)
            return Fail(EINVAL, line.number);
        out.push_back(QueuedCopy{*sourcePath, JoinPath(*folder, dest), copyStyle});
    }
    return {};
}

struct RegWrite {
    Hive hive;
    std::string key;
    std::string name;
    bool isDword = false;
    std::string text;
    uint32_t number = 0;
    bool noClobber = false;
    bool keyOnly = false; // "root, subkey" alone creates the key: nothing to store here
};

std::optional<RegWrite> ParseAddRegLine(const InfFile &inf, const InfLine &line, const DirectoryIds &dirids)
{
    if (line.malformed || line.hasKey || line.fields.size() < 2)
        return std::nullopt;
    RegWrite w;
    std::string root = Field(inf, line, 0, dirids);
    std::string subkey = Field(inf, line, 1, dirids);
    if (EqualsIgnoreCase(root, "HKLM") || EqualsIgnoreCase(root, "HKEY_LOCAL_MACHINE")) {
        w.hive = Hive::LocalMachine;
        w.key = subkey;
    } else if (EqualsIgnoreCase(root, "HKCU") || EqualsIgnoreCase(root, "HKEY_CURRENT_USER")) {
        w.hive = Hive::CurrentUser;
        w.key = subkey;
    } else if (EqualsIgnoreCase(root, "HKCR") || EqualsIgnoreCase(root, "HKEY_CLASSES_ROOT")) {
        w.hive = Hive::LocalMachine;
        w.key = subkey.empty() ? std::string(kClassesKey) : std::string(kClassesKey) + "\\" + subkey;
    } else {
        return std::nullopt;
    }
    if (w.key.empty())
        return std::nullopt;
    w.keyOnly = line.fields.size() < 3;
    std::string name = Field(inf, line, 2, dirids);
    w.name = name.empty() ? std::string(kDefaultValueName) : std::move(name);
    std::string flagText = Field(inf, line, 3, dirids);
    auto flags = flagText.empty() ? std::optional<uint32_t>(0) : ParseNumber(flagText);
    if (!flags)
        return std::nullopt;
    w.noClobber = (*flags & kAddRegNoClobber) != 0;
    uint32_t type = *flags & ~kAddRegNoClobber;
    std::string value = Field(inf, line, 4, dirids);
    if (type == kAddRegString) {
        w.text = value;
    } else if (type == kAddRegDword) {
        auto n = value.empty() ? std::optional<uint32_t>(0) : ParseNumber(value);
        if (!n)
            return std::nullopt;
        w.isDword = true;
        w.number = *n;
    } else {
        return std::nullopt;
    }
    return w;
}

bool ValueExists(const RegWrite &w)
{
    return RegReadString(w.hive, w.key, w.name).has_value() ||
           RegReadDword(w.hive, w.key, w.name).has_value();
}

bool Apply(const RegWrite &w)
{
    if (w.keyOnly || (w.noClobber && ValueExists(w)))
        return true;
    return w.isDword ? RegWriteDword(w.hive, w.key, w.name, w.number)
                     : RegWriteString(w.hive, w.key, w.name, w.text);
}

} // namespace

SectionResult QueueInfSectionFiles(const InfFile &inf, std::string_view section, const DirectoryIds &dirids,
                                   const std::string &sourceRoot, uint32_t copyStyle, FileQueue &queue)
{
    const InfSection *install = inf.FindSection(section);
    if (!install)
        return {};
    std::vector<QueuedCopy> copies;
    SectionResult r =
        ForEachDirectiveField(*install, kCopyFiles, [&](const InfLine &line, const std::string &raw) {
            std::string name = inf.Substitute(raw, &dirids);
            if (name.front() != '@')
                return CollectFileList(inf, name, dirids, sourceRoot, copyStyle, copies);
            std::string file = name.substr(1);
            int dirLine = 0;
            auto folder = DestinationFolder(inf, kDefaultDestDir, dirids, dirLine);
            auto sourcePath = SourcePath(inf, sourceRoot, file, dirids);
            if (!IsPlainFileName(file) || !sourcePath)
                return Fail(EINVAL, line.number);
            if (!folder)
                return Fail(ENOENT, dirLine ? dirLine : line.number);
            copies.push_back(QueuedCopy{*sourcePath, JoinPath(*folder, file), copyStyle});
            return SectionResult{};
        });
    if (!r.ok)
        return r;
    for (QueuedCopy &copy : copies)
        queue.Add(std::move(copy));
    return {};
}

SectionResult ApplyInfSectionRegistry(const InfFile &inf, std::string_view section,
                                      const DirectoryIds &dirids)
{
    const InfSection *install = inf.FindSection(section);
    if (!install)
        return {};
    std::vector<RegWrite> writes;
    SectionResult r = ForEachDirectiveField(*install, kAddReg, [&](const InfLine &, const std::string &raw) {
        // A registry section that is not there has nothing to add.
        const InfSection *regSection = inf.FindSection(inf.Substitute(raw, &dirids));
        if (!regSection)
            return SectionResult{};
        for (const InfLine &line : regSection->lines) {
            auto w = ParseAddRegLine(inf, line, dirids);
            if (!w)
                return Fail(EINVAL, line.number);
            writes.push_back(std::move(*w));
        }
        return SectionResult{};
    });
    if (!r.ok)
        return r;
    for (const RegWrite &w : writes) {
        if (!Apply(w))
            return Fail(EIO);
    }
    return {};
}

} // namespace kvz::setup
