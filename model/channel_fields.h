#pragma once
// The channel communication dialog's fields as the model checks and stores them on the working copy.
#include <string_view>

class CDrvSpecificChannel;

inline constexpr unsigned kRetriesMax = 9;
// The most characters of the adapter field the channel keeps.
inline constexpr size_t kAdapterFieldMaxCharacters = 64;

enum class RetriesCommit {
    Accepted,   // stored
    NotInteger, // the framework's integer message was shown; the field keeps the focus
    OutOfRange  // message 10463 with 0 and 9 was shown; the field shows the copy's retries again
};
// Retries as typed: above 9 (compared unsigned, so -1 counts as above) is refused.
RetriesCommit CommitRetries(CDrvSpecificChannel &work, std::string_view text);

// Stores the adapter field in the working copy, cut to its first 64 characters.
void SetAdapterFromField(CDrvSpecificChannel &work, std::string_view text);
