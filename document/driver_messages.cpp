#include "document/driver_messages.h"

#include "document/did_doc.h"
#include "model/channel.h"
#include "model/drv_specific_iorec.h"
#include "niolib/nio_layout.h"
#include "niolib/niolib.h"

#include <utility>

namespace
{

constexpr std::string_view kLearnMark = "NIO-*";
// The device:address part follows the first '-' from the eleventh character on.
constexpr size_t kLearnDashFrom = 10;
constexpr int kMostLines = 200;
constexpr int kLinesKept = 180;
// A ring holds at most this many messages; a tick that is given more is reading a ring another
// process keeps refilling, and leaves the rest to the next tick rather than never ending.
constexpr size_t kMostMessagesPerTick = nio::kMessageCount;

int ImageOfCode(uint16_t code)
{
    return code == 30 || code == 70 || code == 94 ? 1 : 0;
}

bool ChangedPollRecords(LearnResult result)
{
    return result == LearnResult::Added || result == LearnResult::Merged;
}

bool ReadFromRing(std::string &text, uint16_t &code, int all)
{
    const char *message = nullptr;
    uint16_t messageCode = 0;
    if (!nio_get_message(&message, &messageCode, all))
        return false;
    text = message ? message : "";
    code = messageCode;
    return true;
}

} // namespace

std::optional<std::string_view> LearnTextOf(std::string_view message)
{
    if (message.find(kLearnMark) == std::string_view::npos)
        return std::nullopt;
    size_t dash = message.find('-', kLearnDashFrom);
    if (dash == std::string_view::npos)
        return std::nullopt;
    return message.substr(dash + 1);
}

int MessageLinesToDelete(int lineCount)
{
    return lineCount > kMostLines ? lineCount - kLinesKept : 0;
}

DriverMessageFeed::DriverMessageFeed(Reader reader)
    : reader_(reader ? std::move(reader) : Reader(ReadFromRing))
{
}

bool DriverMessageFeed::ApplyQueuedLearning()
{
    bool changed = false;
    while (!queued_.empty()) {
        // Taken off first: whatever the merge does, the next call goes on with the next address.
        const std::string address = std::move(queued_.front());
        queued_.pop_front();
        changed = ChangedPollRecords(CDrvSpecificIORec::LearnAddress(address)) || changed;
    }
    return changed;
}

std::vector<DriverMessageLine> DriverMessageFeed::Tick(CDidDoc &document, bool deferLearning)
{
    std::vector<DriverMessageLine> lines;
    std::string text;
    uint16_t code = 0;
    if (!deferLearning)
        ApplyQueuedLearning();
    if (!reader_(text, code, 0))
        return lines;
    const CChannel *channel = document.m_pCurrentChannel;
    do {
        bool learned = false;
        bool queued = false;
        if (channel && channel->GetLearnAddresses()) {
            if (auto address = LearnTextOf(text)) {
                if (!deferLearning)
                    learned = ChangedPollRecords(CDrvSpecificIORec::LearnAddress(*address));
                else if (queued_.size() < kMostQueuedLearning) {
                    queued_.emplace_back(*address);
                    queued = true;
                }
            }
        }
        if (code != lastCode_) {
            image_ = ImageOfCode(code);
            lastCode_ = code;
        }
        lines.push_back({text, code, image_, learned, queued});
    } while (lines.size() < kMostMessagesPerTick && reader_(text, code, document.m_bSaveLog));
    return lines;
}
