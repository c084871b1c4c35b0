#include "model/iorec_fields.h"

#include "model/device.h"
#include "model/drv_specific_iorec.h"
#include "model/field_numbers.h"
#include "model/iorec.h"
#include "model/model_message.h"
#include "model/number_text.h"
#include "model/string_table.h"
#include "model/user_number.h"

namespace
{

constexpr int kTimeFieldWidth = 8;
constexpr int kPollTimeDecimals = 2;
constexpr int kAccessTimeDecimals = 1;
constexpr float kAccessTimeOfDisabledException = 300.0f;
constexpr uint16_t kExceptionDisabled = 0;
constexpr uint16_t kExceptionAnalog = 1;

constexpr FieldCommit Accepted(bool markModified)
{
    return {markModified, IORecField::None};
}

constexpr FieldCommit Refused(bool markModified, IORecField focus)
{
    return {markModified, focus};
}

std::string TimeFieldText(float seconds, float disabled, int decimals)
{
    if (seconds == disabled)
        return LoadModelString(IDS_DISABLED);
    std::string text = model::FormatFixed(seconds, kTimeFieldWidth, decimals);
    size_t blank = text.rfind(' ');
    return blank == std::string::npos ? text : text.substr(blank + 1);
}

bool IsUndefinedText(std::string_view text)
{
    static const std::string undefined = LoadModelString(IDS_ADDRESS_UNDEFINED); // the table is constant
    return text == undefined;
}

// "", "-" and "D" are the short ways of typing "Disabled".
bool IsDisabledShorthand(std::string_view upper)
{
    return upper.empty() || upper == "-" || upper == "D";
}

// The 1-based position of the record of the working copy's device that `scratch` overlaps (message
// 3007 shown), or 0.
int ReportOverlap(const CDrvSpecificIORec &scratch, const CIORec *skip)
{
    const CDevice *device = scratch.GetDevice();
    if (!device)
        return 0;
    int position = scratch.FindOverlap(*device, skip);
    if (position != 0)
        ShowModelMessage(IDS_ADDRESS_ALREADY_DEFINED, {std::to_string(position)});
    return position;
}

// An address typed as start (which = 1) or end: parsed on a scratch copy, then length, limits and
// overlap; the working copy takes the scratch only when all of them pass.
FieldCommit CommitAddress(CDrvSpecificIORec &work, std::string_view text, const CIORec *skip, int which,
                          IORecField self)
{
    if (IsUndefinedText(text))
        return Accepted(true);
    CDrvSpecificIORec scratch;
    scratch.CopySettingsFrom(work);
    if (!scratch.ParseAddress(text, which))
        return Refused(true, self);
    scratch.ComputeLength();
    if (!scratch.CheckLimits())
        return Refused(true, self);
    if (ReportOverlap(scratch, skip) != 0)
        return Refused(true, IORecField::StartAddress);
    work.CopySettingsFrom(scratch);
    return Accepted(true);
}

// End address and length mean nothing before the record has a start.
bool StartAddressMissing(const CIORec &work)
{
    if (work.GetLength() != 0)
        return false;
    ShowModelMessage(IDS_START_ADDRESS_FIRST);
    return true;
}

} // namespace

std::string PollTimeFieldText(float seconds)
{
    return TimeFieldText(seconds, kPollTimeDisabled, kPollTimeDecimals);
}

std::string AccessTimeFieldText(float seconds)
{
    return TimeFieldText(seconds, kAccessTimeDisabled, kAccessTimeDecimals);
}

std::string DeadBandFieldText(float value)
{
    return model::FieldNumberText(value);
}

FieldCommit CommitStartAddress(CDrvSpecificIORec &work, std::string_view text, const CIORec *skip)
{
    return CommitAddress(work, text, skip, 1, IORecField::StartAddress);
}

FieldCommit CommitEndAddress(CDrvSpecificIORec &work, std::string_view text, const CIORec *skip)
{
    if (StartAddressMissing(work))
        return Refused(false, IORecField::StartAddress);
    return CommitAddress(work, text, skip, 0, IORecField::EndAddress);
}

FieldCommit CommitLength(CDrvSpecificIORec &work, std::string_view text, const CIORec *skip)
{
    // The field holds an integer: anything else is refused before the length is looked at.
    model::FieldIntegerValue length = model::ParseFieldInteger(text);
    if (length.status != model::FieldInteger::Ok) {
        ShowModelMessage(IDS_ENTER_INTEGER);
        return Refused(false, IORecField::Length);
    }
    if (StartAddressMissing(work))
        return Refused(false, IORecField::StartAddress);
    CDrvSpecificIORec scratch;
    scratch.CopySettingsFrom(work);
    if (!scratch.SetLength(std::to_string(length.value)))
        return Refused(true, IORecField::Length);
    if (scratch.GetLength() > 0 && !scratch.ComputeEnd())
        return Refused(true, IORecField::Length);
    if (ReportOverlap(scratch, skip) != 0)
        return Refused(true, IORecField::StartAddress);
    work.CopySettingsFrom(scratch);
    return Accepted(true);
}

FieldCommit CommitPollTime(CIORec &work, std::string_view text)
{
    std::string upper = model::UpperCasedAscii(text);
    if (IsDisabledShorthand(upper)) {
        work.SetPollTimeValue(kPollTimeDisabled);
        return Accepted(false);
    }
    if (work.SetPollTime(upper) != 0)
        return Refused(false, IORecField::PollTime);
    return Accepted(false);
}

FieldCommit CommitAccessTime(CIORec &work, std::string_view text)
{
    std::string upper = model::UpperCasedAscii(text);
    if (IsDisabledShorthand(upper)) {
        work.SetAccessTimeValue(kAccessTimeDisabled);
        return Accepted(false);
    }
    if (work.SetAccessTime(upper) != 0)
        return Refused(false, IORecField::AccessTime);
    return Accepted(false);
}

FieldCommit CommitDeadBand(CIORec &work, std::string_view text)
{
    auto value = model::ParseUserNumber(text);
    if (!value) {
        ShowModelMessage(IDS_ENTER_NUMBER);
        return Refused(false, IORecField::DeadBand);
    }
    if (*value < 0.0) {
        ShowModelMessage(IDS_NEGATIVE_DEAD_BAND);
        return Refused(false, IORecField::DeadBand);
    }
    work.SetDeadBandValue(static_cast<float>(*value));
    return Accepted(false);
}

void ApplyExceptionType(CIORec &work, uint16_t index)
{
    if (index == work.GetExceptionTypeIndex())
        return;
    if (index == kExceptionDisabled) {
        work.SetAccessTimeValue(kAccessTimeOfDisabledException);
        work.SetDeadBandValue(0.0f);
    } else {
        work.SetAccessTimeValue(kAccessTimeDisabled);
    }
    work.SetExceptionTypeIndex(index);
}

bool DeadBandEnabled(const CIORec &work)
{
    return work.GetExceptionTypeIndex() == kExceptionAnalog;
}
