#include "document/save_time.h"

#include <cerrno>
#include <cstdlib>

namespace
{

std::optional<std::time_t> SourceDateEpoch()
{
    const char *text = std::getenv("SOURCE_DATE_EPOCH");
    if (!text || !*text)
        return std::nullopt;
    errno = 0;
    char *end = nullptr;
    long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < 0)
        return std::nullopt; // not a time: ignored, as reproducible-build tools do
    return static_cast<std::time_t>(v);
}

} // namespace

std::time_t SaveTimeNow()
{
    if (auto fixed = SourceDateEpoch())
        return *fixed;
    return std::time(nullptr);
}

bool SaveTimeIsFixed()
{
    return SourceDateEpoch().has_value();
}
