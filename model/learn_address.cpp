// Learning addresses: an address the host database or the running driver names is merged into the
// poll records of its device, so that the driver polls it.
#include "model/device.h"
#include "model/drv_specific_iorec.h"
#include "model/model_message.h"
#include "model/siemens_address.h"
#include "model/tree_state.h"

#include <memory>

namespace
{

constexpr size_t kLearnTextMax = 127;

// Only records of the same memory type and data block take a learned address.
bool SameBlock(int16_t family, const CDrvSpecificIORec &a, const CDrvSpecificIORec &b)
{
    uint32_t x = a.GetStartAddress(), y = b.GetStartAddress();
    if (family == kFamilyS5)
        return addr::S5MemType(x) == addr::S5MemType(y) && addr::S5DataBlock(x) == addr::S5DataBlock(y);
    return addr::S7MemType(x) == addr::S7MemType(y) && a.GetDataBlock() == b.GetDataBlock();
}

// The address one past `end`, in the memory type and block of `start`.
uint32_t OnePast(int16_t family, uint32_t start, uint32_t end)
{
    if (family == kFamilyS5)
        return (start & ~addr::kS5WordMask) | ((addr::S5Word(end) + 1u) & addr::kS5WordMask);
    return (start & ~addr::kS7ByteMask) | ((addr::S7Byte(end) + 1u) & addr::kS7ByteMask);
}

} // namespace

LearnResult CDrvSpecificIORec::LearnAddress(std::string_view text)
{
    // Addresses come in bulk from the host database and the driver's messages: one that cannot be
    // used is skipped without a message box.
    ScopedModelMessageRedirect quiet([](const std::string &) {});
    text = text.substr(0, kLearnTextMax);
    size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return LearnResult::Ignored;
    CDevice *device = FindDeviceByName(text.substr(0, colon));
    if (!device)
        return LearnResult::Ignored;
    std::string_view address = text.substr(colon + 1);

    auto learned = std::make_unique<CDrvSpecificIORec>();
    learned->SetDevice(device);
    if (!learned->ParseAddress(address, 1))
        return LearnResult::Ignored;
    learned->ComputeLength();

    if (device->IORecCount() == 0) {
        learned->SetLiveStatus(kLiveStatusLearned);
        device->AddIORec(std::move(learned));
        return LearnResult::Added;
    }

    int16_t family = learned->GetPlcFamily();
    auto limits = PlcRecordLimitsOf(learned->GetPlcTypeValue());
    if (!limits || limits->maxMergedLength == 0 || !(family == kFamilyS5 || IsS7Family(family)))
        return LearnResult::NotMerged;
    const uint32_t maxLength = limits->maxMergedLength;
    const uint32_t newStart = learned->GetStartAddress();
    const uint32_t newEnd = learned->GetEndAddress();

    CDrvSpecificIORec *highest = nullptr;
    for (const auto &entry : device->IORecs()) {
        auto *record = dynamic_cast<CDrvSpecificIORec *>(entry.get());
        if (!record || !SameBlock(family, *learned, *record))
            continue;
        const uint32_t start = record->GetStartAddress();
        const uint32_t end = record->GetEndAddress();
        if (newStart >= start && newEnd <= end)
            return LearnResult::Covered;
        if (!highest || end > highest->GetEndAddress())
            highest = record;
        if (newStart <= start && start != 0) {
            // The learned address lies in front: the record starts earlier.
            if (end - newStart < maxLength) {
                record->ParseAddress(address, 1);
                record->ComputeLength();
                record->SetLiveStatus(kLiveStatusLearned);
                return LearnResult::Merged;
            }
        } else if (newEnd - start + 1 <= maxLength) {
            // The learned address lies behind: the record grows to take it.
            record->SetLengthValue(static_cast<uint16_t>(newEnd - start + 1));
            record->ComputeEnd();
            record->SetLiveStatus(kLiveStatusLearned);
            return LearnResult::Merged;
        }
    }

    learned->SetLiveStatus(kLiveStatusLearned);
    if (highest) {
        // A short gap behind the highest record is polled too, so that the records stay contiguous;
        // the filled record never grows beyond what a merge may reach.
        const uint32_t highestEnd = highest->GetEndAddress();
        if (newStart > highestEnd && newStart - highestEnd < maxLength && newEnd - highestEnd <= maxLength) {
            learned->SetStartAddress(OnePast(family, newStart, highestEnd));
            learned->ComputeLength();
        }
    }
    device->AddIORec(std::move(learned));
    return LearnResult::Added;
}
