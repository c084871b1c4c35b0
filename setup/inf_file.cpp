#include "setup/inf_file.h"

#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "setup/directory_ids.h"

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvz::setup
{
namespace
{

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kWin4Signatures[] = {"$Windows NT$", "$Chicago$", "$Windows 95$"};

std::string Upper(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

bool IsLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// One field as it is read: unquoted blanks at either end are dropped, quoted text is kept whole.
class FieldBuilder
{
public:
    void AddPlain(char c)
    {
        if (IsBlank(c) && !started_)
            return;
        started_ = true;
        text_ += c;
        if (!IsBlank(c))
            keep_ = text_.size();
    }
    void AddQuoted(char c)
    {
        text_ += c;
        keep_ = text_.size();
    }
    void StartQuote() { started_ = true; }
    std::string Finish()
    {
        text_.resize(keep_);
        std::string out = std::move(text_);
        text_.clear();
        keep_ = 0;
        started_ = false;
        return out;
    }

private:
    std::string text_;
    size_t keep_ = 0;
    bool started_ = false;
};

struct ScannedLine {
    bool empty = true;
    bool header = false;
    std::string sectionName;
    InfLine line;
};

class Scanner
{
public:
    explicit Scanner(std::string_view text) : text_(text) {}
    bool AtEnd() const { return pos_ >= text_.size(); }

    ScannedLine Next()
    {
        ScannedLine out;
        out.line.number = lineNo_;
        while (!AtEnd() && IsBlank(text_[pos_]))
            ++pos_;
        if (!AtEnd() && text_[pos_] == '[')
            ScanHeader(out);
        else
            ScanFields(out);
        EndLine();
        return out;
    }

private:
    void SkipToLineEnd()
    {
        while (!AtEnd() && !IsLineEnd(text_[pos_]))
            ++pos_;
    }

    void EndLine()
    {
        SkipToLineEnd();
        if (!AtEnd() && text_[pos_] == '\r')
            ++pos_;
        if (!AtEnd() && text_[pos_] == '\n')
            ++pos_;
        ++lineNo_;
    }

    void ScanHeader(ScannedLine &out)
    {
        ++pos_; // '['
        size_t start = pos_;
        while (!AtEnd() && !IsLineEnd(text_[pos_]) && text_[pos_] != ']')
            ++pos_;
        out.empty = false;
        if (AtEnd() || text_[pos_] != ']') {
            out.line.malformed = true;
            return;
        }
        std::string_view name = text_.substr(start, pos_ - start);
        while (!name.empty() && IsBlank(name.front()))
            name.remove_prefix(1);
        while (!name.empty() && IsBlank(name.back()))
            name.remove_suffix(1);
        out.header = true;
        out.sectionName = std::string(name);
    }

    // A '\' followed only by blanks up to the end of the line joins the next line.
    bool TryContinuation()
    {
        size_t j = pos_ + 1;
        while (j < text_.size() && IsBlank(text_[j]))
            ++j;
        if (j < text_.size() && !IsLineEnd(text_[j]))
            return false;
        pos_ = j;
        if (!AtEnd() && text_[pos_] == '\r')
            ++pos_;
        if (!AtEnd() && text_[pos_] == '\n')
            ++pos_;
        ++lineNo_;
        return true;
    }

    void ScanFields(ScannedLine &out)
    {
        InfLine &line = out.line;
        std::vector<std::string> parts;
        FieldBuilder field;
        bool inQuote = false;
        while (!AtEnd()) {
            char c = text_[pos_];
            if (inQuote) {
                if (IsLineEnd(c)) {
                    line.malformed = true;
                    break;
                }
                if (c == '"') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                        field.AddQuoted('"');
                        pos_ += 2;
                    } else {
                        inQuote = false;
                        ++pos_;
                    }
                    continue;
                }
                field.AddQuoted(c);
                ++pos_;
                continue;
            }
            if (IsLineEnd(c))
                break;
            if (c == ';') {
                SkipToLineEnd();
                break;
            }
            if (c == '\\' && TryContinuation())
                continue;
            out.empty = out.empty && IsBlank(c);
            if (c == '"') {
                inQuote = true;
                field.StartQuote();
            } else if (c == '=' && !line.hasKey && parts.empty()) {
                line.hasKey = true;
                line.key = field.Finish();
            } else if (c == ',') {
                parts.push_back(field.Finish());
            } else {
                field.AddPlain(c);
            }
            ++pos_;
        }
        if (inQuote)
            line.malformed = true;
        parts.push_back(field.Finish());
        line.fields = std::move(parts);
        if (line.malformed)
            out.empty = false;
    }

    std::string_view text_;
    size_t pos_ = 0;
    int lineNo_ = 1;
};

std::string Decode(std::string_view bytes)
{
    if (bytes.starts_with(kUtf16LeBom)) {
        bytes.remove_prefix(kUtf16LeBom.size());
        std::u16string units;
        units.reserve(bytes.size() / 2);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                  (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return Utf16ToUtf8(units);
    }
    if (bytes.starts_with(kUtf8Bom))
        bytes.remove_prefix(kUtf8Bom.size());
    return std::string(bytes);
}

bool AllDigits(std::string_view s)
{
    if (s.empty() || s.size() > 9)
        return false;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

} // namespace

InfFile InfFile::Parse(std::string_view bytes)
{
    InfFile inf;
    std::string text = Decode(bytes);
    std::map<std::string, size_t> index; // upper-cased name -> position in sections_
    InfSection *current = nullptr;
    Scanner scanner(text);
    while (!scanner.AtEnd()) {
        ScannedLine scanned = scanner.Next();
        if (scanned.header) {
            std::string key = Upper(scanned.sectionName);
            auto it = index.find(key);
            if (it == index.end()) {
                it = index.emplace(key, inf.sections_.size()).first;
                inf.sections_.push_back(InfSection{scanned.sectionName, {}});
            }
            current = &inf.sections_[it->second];
            continue;
        }
        // Lines before the first section belong to nothing and are ignored.
        if (scanned.empty || !current)
            continue;
        current->lines.push_back(std::move(scanned.line));
    }
    if (const InfSection *strings = inf.FindSection("Strings")) {
        for (const InfLine &line : strings->lines) {
            if (line.malformed || !line.hasKey || line.key.empty())
                continue;
            std::string value;
            for (size_t i = 0; i < line.fields.size(); ++i)
                value += (i ? "," : "") + line.fields[i];
            inf.strings_.emplace(Upper(line.key), std::move(value));
        }
    }
    return inf;
}

const InfSection *InfFile::FindSection(std::string_view name) const
{
    for (const InfSection &s : sections_) {
        if (EqualsIgnoreCase(s.name, name))
            return &s;
    }
    return nullptr;
}

std::string InfFile::Substitute(std::string_view text, const DirectoryIds *dirids) const
{
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find('%', pos);
        if (open == std::string_view::npos)
            break;
        size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos)
            break;
        out.append(text.substr(pos, open - pos));
        std::string_view key = text.substr(open + 1, close - open - 1);
        pos = close + 1;
        if (key.empty()) {
            out += '%';
            continue;
        }
        if (auto it = strings_.find(Upper(key)); it != strings_.end()) {
            out += it->second;
            continue;
        }
        if (dirids && AllDigits(key)) {
            if (auto dir = dirids->Find(static_cast<uint32_t>(std::stoul(std::string(key))))) {
                out += *dir;
                continue;
            }
        }
        out.append(text.substr(open, close - open + 1));
    }
    out.append(text.substr(pos));
    return out;
}

bool InfFile::HasForeignSignature() const
{
    const InfSection *version = FindSection("Version");
    if (!version)
        return false;
    for (const InfLine &line : version->lines) {
        if (!line.hasKey || !EqualsIgnoreCase(line.key, "Signature"))
            continue;
        std::string signature = line.fields.empty() ? std::string() : Substitute(line.fields[0]);
        for (std::string_view known : kWin4Signatures) {
            if (EqualsIgnoreCase(signature, known))
                return false;
        }
        return true;
    }
    return false;
}

InfOpenResult OpenInfFile(const std::string &path)
{
    InfOpenResult result;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    struct stat st {
    };
    std::string bytes;
    if (::fstat(fd, &st) != 0) {
        result.error = errno;
    } else if (S_ISDIR(st.st_mode)) {
        result.error = EISDIR;
    } else if (!S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > kMaxInfFileSize) {
        result.error = EFBIG;
    } else {
        // Read to the end rather than trusting the size: the file may change while it is read.
        char buf[65536];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                result.error = errno;
                break;
            }
            if (n == 0)
                break;
            bytes.append(buf, static_cast<size_t>(n));
            if (bytes.size() > kMaxInfFileSize) {
                result.error = EFBIG;
                break;
            }
        }
    }
    ::close(fd);
    if (result.error != 0)
        return result;
    result.inf = InfFile::Parse(bytes);
    if (result.inf.Sections().empty() || result.inf.HasForeignSignature()) {
        result.error = EINVAL;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace kvz::setup
