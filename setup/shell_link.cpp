#include "setup/shell_link.h"

#include "platform/atomic_file.h"
#include "platform/paths.h"

#include <cctype>
#include <filesystem>

namespace kvz::setup
{
namespace
{

// A file URL: unreserved characters and '/' as they are, everything else percent-encoded.
std::string FileUrl(const std::string &path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "file://";
    for (char ch : path) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

// Desktop-entry values cannot hold line breaks.
std::string OneLine(std::string text)
{
    for (char &c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

} // namespace

std::string ShellLinkText(const std::string &target, const std::string &description)
{
    std::string text = "[Desktop Entry]\n"
                       "Type=Link\n";
    text += "Name=" + OneLine(description) + "\n";
    text += "Comment=" + OneLine(description) + "\n";
    text += "URL=" + FileUrl(target) + "\n";
    return text;
}

bool CreateLink(const std::string &target, const std::string &linkPath, const std::string &description,
                bool createFolder)
{
    if (createFolder) {
        std::error_code ec;
        std::string folder = DirectoryOf(linkPath);
        if (!folder.empty())
            std::filesystem::create_directories(folder, ec);
    }
    return WriteFileAtomically(linkPath, ShellLinkText(target, description));
}

} // namespace kvz::setup
