#pragma once
// Names on distribution media. The media were made for a system where names ignore case (and often
// carry upper-case names only), while the INF file spells them as it likes: a name that is not found
// as written is looked up without regard to case, part by part.
#include <string>

namespace kvz::setup
{

// root + '/' + relative (parts separated by '/'), each part matched without regard to case when the
// exact name does not exist. The path as written when nothing matches.
std::string FindOnMedia(const std::string &root, const std::string &relative);

} // namespace kvz::setup
