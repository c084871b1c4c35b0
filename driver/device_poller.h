#pragma once
// One controller's poll loop on its own thread: its records at their periods over one connection
// (or its backup), so that a slow or dead controller never holds up another one.
#include "driver/image_plan.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace spoll
{

// The message ring, shared by every poller's thread.
class MessageSink
{
public:
    explicit MessageSink(uint8_t *controlBlock) : block_(controlBlock) {}
    void Post(uint16_t code, const std::string &text);
    // A learn message: merged with the same one while it is unread, and limited per second.
    void PostLearn(const std::string &text);

private:
    uint8_t *block_;
};

inline constexpr uint16_t kMsgTrace = 39;
inline constexpr uint16_t kMsgAlarm = 70;

// S7 read messages: the fixed part and the part per item of a request and of its answer (the answer's
// data padded to 64 bytes, the engine's item size). Every S7 controller takes at least 240 bytes.
inline constexpr size_t kS7SmallestPdu = 240;
inline constexpr size_t kS7ReadRequestFixed = 10 + 2;
inline constexpr size_t kS7ReadRequestItem = 12;
inline constexpr size_t kS7ReadAnswerFixed = 12 + 2;
inline constexpr size_t kS7ReadAnswerItem = 4;
// How many 64-byte items one read may ask for within the negotiated PDU size (0: not known yet).
int S7ItemsPerRequest(size_t pduSize);

// What a poller needs of its channel.
struct PollTiming {
    std::chrono::milliseconds replyTimeout{5000};
    std::chrono::milliseconds delay{10000};
    int retries = 3;
};

class DevicePoller
{
public:
    // `primary` and `backup` are connection indexes of the transport (backup -1 when none);
    // `channelRecord` is where the transmit and receive counts go.
    DevicePoller(DevicePlan &device, uint8_t *channelRecord, bool tcp, PollTiming timing, int primary,
                 int backup, MessageSink &messages);
    ~DevicePoller();
    DevicePoller(const DevicePoller &) = delete;
    DevicePoller &operator=(const DevicePoller &) = delete;

    // The connections it polls over, created on the transport's `channel` with `kind` and
    // RequestBlock() as their request block; it makes them again after a loss.
    void UseConnections(int primary, int backup, int channel, int kind)
    {
        primary_ = primary;
        backup_ = backup;
        transportChannel_ = channel;
        kind_ = kind;
    }
    // The block the connection is created with.
    uint8_t *RequestBlock();
    void Start();
    void Stop();

private:
    using Clock = std::chrono::steady_clock;
    struct RecordState {
        Clock::time_point due;
        uint32_t lastResult = 0; // item result of the last refusal, 0 when none was reported
    };
    enum class Health { Unknown, Good, Failed };

    void Run();
    bool Send(RecordPlan &r);
    void Finish(RecordPlan &r);
    void AttemptFailed(RecordPlan &r, Clock::time_point now);
    void DeviceFailed(Clock::time_point now);
    void DeviceAnswered();
    void Refused(RecordPlan &r, RecordState &s, uint32_t result);
    void Count(size_t field);
    // The record's data, time stamp and status as one, under the device's record lock.
    void Commit(RecordPlan &r, const uint8_t *data, uint16_t status);
    void SetStatusLocked(RecordPlan &r, uint16_t status);
    // Closed, refused or never confirmed: nothing will come over it as it is.
    bool ConnectionDown();
    // Kills the connection of the path in use and creates it again.
    void Renew();
    int Connection() const { return onBackup_ ? backup_ : primary_; }
    const Endpoint &Path() const { return onBackup_ ? device_.backup : device_.primary; }
    void Wait(Clock::duration d);
    // Steps the connections (TCP: the library reads and acts only when called).
    void Pump();
    // How long to sleep before looking for the answer again.
    Clock::duration AnswerStep(Clock::time_point now) const;
    void NoteAnswerTime(Clock::duration took, bool firstLook);

    DevicePlan &device_;
    uint8_t *channel_;
    bool tcp_;
    PollTiming timing_;
    int primary_, backup_;
    int transportChannel_ = 0;
    int kind_ = 0;
    MessageSink &messages_;
    std::unique_ptr<uint8_t[]> request_;
    std::vector<RecordState> states_;

    bool onBackup_ = false;
    Health health_ = Health::Unknown;
    bool everConnected_ = false; // "lost" only once a connection was made, "failed" before
    bool renewDue_ = false;      // make the connection again before the next try
    Clock::time_point nextDownCheck_{};
    std::vector<uint8_t> staged_; // a record read in several parts, until it is whole
    Clock::time_point retryAt_{};
    int inFlight_ = -1; // record position in device_.records
    Clock::time_point sentAt_{};
    Clock::time_point nextLook_{}; // when to look for the answer in flight next
    int looks_ = 0;                // looks at the answer in flight so far
    uint32_t partOffset_ = 0;      // bytes of the record in flight read by earlier requests
    uint32_t partBytes_ = 0;       // bytes the request in flight asks for
    int attempts_ = 0;
    uint32_t reference_ = 0;
    Clock::duration answerGuess_; // how long this controller's answers usually take

    std::mutex waitLock_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace spoll
