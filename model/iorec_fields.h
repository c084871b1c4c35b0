#pragma once
// The poll record dialog's fields as the model formats and commits them. The dialog edits a working
// copy; each commit runs on that copy (through a scratch copy where the order of checks matters) and
// says which field the dialog must focus again when something was refused. Every message is shown by
// the model.
#include <cstdint>
#include <string>
#include <string_view>

class CIORec;
class CDrvSpecificIORec;

// Poll time as "%*.*f" with width 8 and 2 decimals, everything up to the last blank removed;
// "Disabled" (string 10414) for -1.0.
std::string PollTimeFieldText(float seconds);
// Access time the same with 1 decimal; "Disabled" for 172801.0.
std::string AccessTimeFieldText(float seconds);
// The dead band as the field shows it.
std::string DeadBandFieldText(float value);

// The field the dialog gives the focus (with its whole text selected) after a commit.
enum class IORecField { None, StartAddress, EndAddress, Length, PollTime, AccessTime, DeadBand };

struct FieldCommit {
    bool markModified = false;             // the document is marked modified (even when refused)
    IORecField refocus = IORecField::None; // None: accepted
};

// Start address typed into the field. `skip` is the stored record being edited (not compared for
// overlap); null in new-record mode. Order: start address, length, limits, overlap.
FieldCommit CommitStartAddress(CDrvSpecificIORec &work, std::string_view text, const CIORec *skip);
// End address: message 3008 and the start address focused while the working copy's length is 0.
FieldCommit CommitEndAddress(CDrvSpecificIORec &work, std::string_view text, const CIORec *skip);
// Length: 3008 without a start address; limits and end (focus the length), overlap (focus the start).
FieldCommit CommitLength(CDrvSpecificIORec &work, std::string_view text, const CIORec *skip);
// Poll and access time: upper-cased; "", "-" and "D" set Disabled; otherwise the validated setter.
FieldCommit CommitPollTime(CIORec &work, std::string_view text);
FieldCommit CommitAccessTime(CIORec &work, std::string_view text);
// Dead band: a negative value shows 10500 "Deadband can't be negative".
FieldCommit CommitDeadBand(CIORec &work, std::string_view text);

// Exception type row `index`: 0 ("Disabled") sets access time 300.0 and dead band 0, any other index
// sets the access time Disabled; then the index is stored.
void ApplyExceptionType(CIORec &work, uint16_t index);
// The dead band field and its label are enabled only for "Analog" (index 1).
bool DeadBandEnabled(const CIORec &work);
