#pragma once
// The driver messages view's reading of the message ring: the messages a tick takes, the icon each
// line gets by its code, learned addresses merged while the current channel learns, and how far the
// list is cut back.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CDidDoc;

// The text after the first "-" from the eleventh character on, when `message` contains "NIO-*";
// nothing otherwise.
std::optional<std::string_view> LearnTextOf(std::string_view message);

// How many of the oldest lines to delete when the list holds `lineCount` lines: lineCount - 180 once
// it reaches 201, else 0.
int MessageLinesToDelete(int lineCount);

struct DriverMessageLine {
    std::string text;
    uint16_t code = 0;
    int image = 0;        // 1 for the codes 30, 70 and 94, else 0 (chosen when the code changes)
    bool learned = false; // its address was merged into the poll records (LearnAddress added or widened)
    bool queued = false;  // its address waits to be merged (ApplyQueuedLearning)
};

class DriverMessageFeed
{
public:
    // What the ring gives: the message text, its code, and whether all messages are wanted.
    using Reader = std::function<bool(std::string &text, uint16_t &code, int all)>;
    // nio_get_message unless a test gives its own reader.
    explicit DriverMessageFeed(Reader reader = nullptr);

    // One tick: the first message with the all-messages flag 0, every further one with the document's
    // m_bSaveLog. While the document's current channel learns addresses, the address a message reports
    // is merged into the poll records at once, after those still queued; with `deferLearning` (a dialog
    // is open and may be editing the very records) it is queued instead, so the ring is still read.
    std::vector<DriverMessageLine> Tick(CDidDoc &document, bool deferLearning = false);
    // Merges the queued addresses in the order the driver reported them; true when any added or
    // widened a poll record.
    bool ApplyQueuedLearning();
    size_t QueuedLearningCount() const { return queued_.size(); }

    // The most addresses kept waiting; beyond it a report is listed but not learned.
    static constexpr size_t kMostQueuedLearning = 65536;

private:
    Reader reader_;
    std::deque<std::string> queued_;
    uint16_t lastCode_ = 0;
    int image_ = 0;
};
