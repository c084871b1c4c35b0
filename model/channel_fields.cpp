#include "model/channel_fields.h"

#include "model/drv_specific_channel.h"
#include "model/field_numbers.h"
#include "model/model_message.h"
#include "model/string_table.h"

namespace
{

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

// The first `count` characters of UTF-8 `text`, never ending inside a character.
std::string_view FirstCharacters(std::string_view text, size_t count)
{
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsUtf8Continuation(text[i]))
            continue;
        if (seen == count)
            return text.substr(0, i);
        ++seen;
    }
    return text;
}

} // namespace

RetriesCommit CommitRetries(CDrvSpecificChannel &work, std::string_view text)
{
    model::FieldIntegerValue typed = model::ParseFieldInteger(text);
    if (typed.status == model::FieldInteger::NotInteger) {
        ShowModelMessage(IDS_ENTER_INTEGER);
        return RetriesCommit::NotInteger;
    }
    // The field is unsigned: a negative number reads as a large one and so lies above the range too.
    if (typed.status == model::FieldInteger::TooLarge || typed.value < 0 ||
        static_cast<unsigned long long>(typed.value) > kRetriesMax) {
        ShowModelMessage(IDS_INVALID_RETRIES, {FormatUnsignedBound(0), FormatUnsignedBound(kRetriesMax)});
        return RetriesCommit::OutOfRange;
    }
    work.Primary().retries = static_cast<uint16_t>(typed.value);
    return RetriesCommit::Accepted;
}

void SetAdapterFromField(CDrvSpecificChannel &work, std::string_view text)
{
    work.SetEthernetCardText(FirstCharacters(text, kAdapterFieldMaxCharacters));
}
