#include "driver/device_poller.h"

#include "driver/message_ring.h"
#include "ferrolink.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <sys/prctl.h>

namespace spoll
{
namespace
{

using namespace std::chrono_literals;

// How often an idle poller still steps its connection (set-up, reconnection timers).
constexpr auto kIdleStep = 20ms;
// Looking for an answer costs a system call and a wake-up each time: the first look comes shortly
// before the answer is expected, later ones ever further apart, up to a bound on the delay they add.
constexpr auto kAnswerStepMin = 10us;
constexpr auto kAnswerStepMax = 2ms;
constexpr auto kFirstAnswerGuess = 500us;
// How early a record may go to save a wake-up.
constexpr auto kEarliest = 1ms;
constexpr auto kAnswerGuessMax = 50ms;
// The poller's sleeps are this precise (the kernel's default lets them run 50 us late).
constexpr unsigned long kTimerSlackNs = 5000;

uint32_t Get32(const uint8_t *b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, b + at, sizeof v);
    return v;
}
void Put32(uint8_t *b, size_t at, uint32_t v)
{
    std::memcpy(b + at, &v, sizeof v);
}
void Put16(uint8_t *b, size_t at, uint16_t v)
{
    std::memcpy(b + at, &v, sizeof v);
}
size_t Item(int i, size_t field)
{
    return FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * static_cast<size_t>(i) + field;
}
// The library and, on H1, its receiver threads write the completion while we read it.
uint32_t Completion(uint8_t *request)
{
    return std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t *>(request + FL_RB_COMPLETION))
        .load(std::memory_order_acquire);
}

// Results the library gives when the answer itself was wrong, not the controller's item codes.
bool TransportResult(uint32_t r)
{
    return r == FL_RESULT_NOT_DATA_ACK || r == FL_RESULT_PLAIN_ACK || r == FL_RESULT_SHORT_ANSWER;
}

void SetStatus(RecordPlan &r, uint16_t status)
{
    nio::StoreField16(r.block, nio::kBlkStatus, status);
}

// The status record's TCP socket check for a socket in error (closed by the peer, refused).
constexpr uint16_t kSocketCheckError = 2;
// How often a connection believed up is checked for a close by the peer between answers.
constexpr auto kDownCheckStep = 20ms;

// The transport fills one status record for every caller: one caller at a time.
std::mutex g_statusLock;

// The connection's state and TCP socket check, when the status record is the connection's own.
std::optional<std::pair<uint16_t, uint16_t>> StateOf(int connection)
{
    std::lock_guard<std::mutex> hold(g_statusLock);
    const auto *status = static_cast<const uint8_t *>(H1_Get_Connection_Status(connection));
    uint16_t index, state, socket;
    std::memcpy(&index, status + FL_CS_INDEX, sizeof index);
    std::memcpy(&state, status + FL_CS_STATE, sizeof state);
    std::memcpy(&socket, status + FL_CS_SOCKET_CHECK, sizeof socket);
    if (index != connection)
        return std::nullopt;
    return std::make_pair(state, socket);
}

size_t NegotiatedPdu(int connection)
{
    std::lock_guard<std::mutex> hold(g_statusLock);
    const auto *status = static_cast<const uint8_t *>(H1_Get_Connection_Status(connection));
    uint16_t index, pdu;
    std::memcpy(&index, status + FL_CS_INDEX, sizeof index);
    std::memcpy(&pdu, status + FL_CS_PDU_SIZE, sizeof pdu);
    // The record is left as it was for a connection that is not up: it may be another's.
    return index == connection ? pdu : 0;
}

} // namespace

int S7ItemsPerRequest(size_t pduSize)
{
    size_t pdu = std::max(pduSize, kS7SmallestPdu);
    size_t byRequest = (pdu - kS7ReadRequestFixed) / kS7ReadRequestItem;
    size_t byAnswer = (pdu - kS7ReadAnswerFixed) / (kS7ReadAnswerItem + FL_RB_SLOT_SIZE);
    return static_cast<int>(std::clamp<size_t>(std::min(byRequest, byAnswer), 1, FL_MAX_ITEMS));
}

void MessageSink::Post(uint16_t code, const std::string &text)
{
    PostDriverMessage(block_, code, text);
}

void MessageSink::PostLearn(const std::string &text)
{
    PostLearnMessage(block_, text);
}

DevicePoller::DevicePoller(DevicePlan &device, uint8_t *channelRecord, bool tcp, PollTiming timing,
                           int primary, int backup, MessageSink &messages)
    : device_(device), channel_(channelRecord), tcp_(tcp), timing_(timing), primary_(primary),
      backup_(backup), messages_(messages), request_(new uint8_t[FL_RB_S7_BLOCK_SIZE]()),
      states_(device.records.size()), answerGuess_(kFirstAnswerGuess)
{
    // The library keeps a pointer to this block from the connection's creation on.
}

uint8_t *DevicePoller::RequestBlock()
{
    return request_.get();
}

DevicePoller::~DevicePoller()
{
    Stop();
}

void DevicePoller::Start()
{
    auto now = Clock::now();
    for (size_t i = 0; i < states_.size(); ++i) {
        states_[i].due = now;
        if (device_.records[i].periodMs == 0 && device_.records[i].block)
            SetStatusLocked(device_.records[i], kStatusNotPolled);
    }
    thread_ = std::thread([this] { Run(); });
}

void DevicePoller::Stop()
{
    {
        std::lock_guard<std::mutex> hold(waitLock_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void DevicePoller::Wait(Clock::duration d)
{
    std::unique_lock<std::mutex> hold(waitLock_);
    wake_.wait_for(hold, d, [this] { return stop_; });
}

DevicePoller::Clock::duration DevicePoller::AnswerStep(Clock::time_point now) const
{
    return std::clamp<Clock::duration>((now - sentAt_) / 4, kAnswerStepMin, kAnswerStepMax);
}

void DevicePoller::NoteAnswerTime(Clock::duration took, bool firstLook)
{
    // Found at the first look: it may have come earlier, so look a little sooner next time. Not found:
    // move most of the way to when it came. The first look then finds the answer most of the time.
    if (firstLook)
        answerGuess_ -= answerGuess_ / 32;
    else
        answerGuess_ += (took - answerGuess_) / 2;
    answerGuess_ = std::clamp<Clock::duration>(answerGuess_, kAnswerStepMin, kAnswerGuessMax);
}

void DevicePoller::SetStatusLocked(RecordPlan &r, uint16_t status)
{
    std::lock_guard<std::mutex> hold(*device_.recordsLock);
    SetStatus(r, status);
}

void DevicePoller::Commit(RecordPlan &r, const uint8_t *data, uint16_t status)
{
    uint64_t stamp = nio::FileTimeNow();
    std::lock_guard<std::mutex> hold(*device_.recordsLock);
    std::memcpy(r.data, data, r.bytes);
    std::memcpy(r.block + nio::kBlkTimeStamp, &stamp, sizeof stamp);
    SetStatus(r, status);
}

bool DevicePoller::ConnectionDown()
{
    auto s = StateOf(Connection());
    if (!s)
        return true;
    auto [state, socket] = *s;
    return state == FL_STATE_IDLE_DISCONNECTED || state == FL_STATE_CR_SENT || state == FL_STATE_CLOSED ||
           socket == kSocketCheckError;
}

void DevicePoller::Renew()
{
    renewDue_ = false;
    int &connection = onBackup_ ? backup_ : primary_;
    const Endpoint &path = Path();
    H1_Kill_Connection(connection);
    int made =
        H1_Create_Connection(transportChannel_, path.tsap.c_str(), path.remote.data(), kind_, request_.get());
    // None left in the transport (another device took the slot): the old index stays, dead, and
    // the next try asks again.
    if (made >= 0)
        connection = made;
    else
        renewDue_ = true;
}

void DevicePoller::Count(size_t field)
{
    std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t *>(channel_ + field)).fetch_add(1);
}

bool DevicePoller::Send(RecordPlan &r)
{
    uint8_t *b = request_.get();
    std::memset(b, 0, FL_RB_DATA);
    Put32(b, FL_RB_REFERENCE, ++reference_);
    if (r.family == Family::S7) {
        // A record longer than one message of the controller takes several requests in a row.
        uint32_t left = r.bytes - partOffset_;
        uint32_t perRequest =
            static_cast<uint32_t>(S7ItemsPerRequest(NegotiatedPdu(Connection()))) * FL_RB_SLOT_SIZE;
        partBytes_ = std::min(left, perRequest);
        int items = static_cast<int>((partBytes_ + FL_RB_SLOT_SIZE - 1) / FL_RB_SLOT_SIZE);
        Put16(b, FL_RB_REQUEST_KIND, FL_REQ_S7_READ);
        Put32(b, FL_RB_ITEM_COUNT, static_cast<uint32_t>(items));
        for (int i = 0; i < items; ++i) {
            uint32_t offset = partOffset_ + static_cast<uint32_t>(i) * FL_RB_SLOT_SIZE;
            Put32(b, Item(i, FL_RB_ITEM_AREA), r.area);
            Put16(b, Item(i, FL_RB_ITEM_DB), r.db);
            Put16(b, Item(i, FL_RB_ITEM_LENGTH),
                  static_cast<uint16_t>(std::min<uint32_t>(FL_RB_SLOT_SIZE, r.bytes - offset)));
            Put32(b, Item(i, FL_RB_ITEM_START), r.start + offset);
        }
    } else {
        Put16(b, FL_RB_REQUEST_KIND, FL_REQ_S5_FETCH);
        Put32(b, Item(0, FL_RB_ITEM_AREA), r.area);
        Put16(b, Item(0, FL_RB_ITEM_DB), r.db);
        Put16(b, Item(0, FL_RB_ITEM_LENGTH), static_cast<uint16_t>(r.bytes / 2));
        Put32(b, Item(0, FL_RB_ITEM_START), r.start);
        Put32(b, FL_RB_CAPACITY, r.bytes);
    }
    std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t *>(b + FL_RB_COMPLETION))
        .store(FL_COMPLETION_RUNNING, std::memory_order_release);
    // A refusal means the previous request is still pending in the library: it goes when it can.
    if (H1_Send_Request(Connection(), b) == 1)
        Count(nio::kChanTxCount);
    sentAt_ = Clock::now();
    nextLook_ = sentAt_ + answerGuess_;
    looks_ = 0;
    return true;
}

void DevicePoller::Refused(RecordPlan &r, RecordState &s, uint32_t result)
{
    SetStatusLocked(r, kStatusRefused);
    if (s.lastResult != result) {
        s.lastResult = result;
        messages_.Post(kMsgAlarm, device_.name + " record " + std::to_string(r.position) + " " + r.address +
                                      " refused by the controller: item result " + std::to_string(result));
    }
}

void DevicePoller::Finish(RecordPlan &r)
{
    uint8_t *b = request_.get();
    RecordState &s = states_[static_cast<size_t>(inFlight_)];
    Count(nio::kChanRxCount);
    if (r.family == Family::S7) {
        int items = static_cast<int>(Get32(b, FL_RB_ITEM_COUNT));
        for (int i = 0; i < items; ++i) {
            uint32_t result = Get32(b, Item(i, FL_RB_ITEM_RESULT));
            if (TransportResult(result))
                return AttemptFailed(r, Clock::now());
            if (result != FL_RESULT_OK)
                return DeviceAnswered(), Refused(r, s, result);
        }
        for (int i = 0; i < items; ++i) {
            uint32_t offset = partOffset_ + static_cast<uint32_t>(i) * FL_RB_SLOT_SIZE;
            uint32_t length = std::min<uint32_t>(FL_RB_SLOT_SIZE, r.bytes - offset);
            if (Get32(b, Item(i, FL_RB_ITEM_BYTES)) != length)
                return AttemptFailed(r, Clock::now());
            std::memcpy(staged_.data() + offset, b + FL_RB_DATA + FL_RB_SLOT_SIZE * static_cast<size_t>(i),
                        length);
        }
        partOffset_ += partBytes_;
        if (partOffset_ < r.bytes) {
            attempts_ = 0;
            Send(r); // the next part; the time stamp and the status wait for the whole record
            return;
        }
    } else {
        uint32_t result = Get32(b, Item(0, FL_RB_ITEM_RESULT));
        if (result != FL_RESULT_OK)
            return DeviceAnswered(), Refused(r, s, result);
        if (Get32(b, Item(0, FL_RB_ITEM_BYTES)) != r.bytes)
            return AttemptFailed(r, Clock::now());
        std::memcpy(staged_.data(), b + FL_RB_DATA, r.bytes);
    }
    Commit(r, staged_.data(), kStatusGood);
    s.lastResult = 0;
    DeviceAnswered();
}

void DevicePoller::DeviceAnswered()
{
    inFlight_ = -1;
    partOffset_ = 0;
    attempts_ = 0;
    if (health_ != Health::Good) {
        messages_.Post(kMsgTrace, device_.name + " connection made to " + Path().text);
        // Records that waited for the connection go together now and keep going together: one
        // wake-up for the lot each period instead of one each.
        auto now = Clock::now();
        for (RecordState &st : states_)
            st.due = std::min(st.due, now);
    }
    health_ = Health::Good;
    everConnected_ = true;
}

void DevicePoller::AttemptFailed(RecordPlan &r, Clock::time_point now)
{
    // Retries are for an answer lost on a connection that is up; over one that is down they only
    // wait for the transport's own timers.
    if (++attempts_ <= timing_.retries && !ConnectionDown()) {
        Send(r);
        return;
    }
    DeviceFailed(now);
}

void DevicePoller::DeviceFailed(Clock::time_point now)
{
    inFlight_ = -1;
    partOffset_ = 0;
    attempts_ = 0;
    {
        std::lock_guard<std::mutex> hold(*device_.recordsLock);
        for (RecordPlan &r : device_.records)
            if (r.periodMs != 0)
                SetStatus(r, kStatusFailed);
    }
    bool wasGood = health_ != Health::Failed;
    if (wasGood)
        messages_.Post(kMsgAlarm, device_.name +
                                      (everConnected_ ? " connection lost to " : " connection failed to ") +
                                      Path().text);
    health_ = Health::Failed;
    // The transport's own timers would wait seconds on a closed or failed connection: the one that
    // failed is made again at once after a loss, and after every further failure the path tried
    // next is made again once the channel's delay is over.
    if (wasGood)
        Renew();
    if (backup_ >= 0) {
        onBackup_ = !onBackup_;
        messages_.Post(kMsgAlarm, device_.name +
                                      (onBackup_ ? " failed over to backup " : " back on primary ") +
                                      Path().text);
    }
    if (wasGood) {
        retryAt_ = now;
    } else {
        renewDue_ = true;
        retryAt_ = now + timing_.delay;
    }
}

void DevicePoller::Pump()
{
    if (!tcp_)
        return; // H1 answers arrive through the library's own receiver threads
    TCP_Read(primary_);
    if (backup_ >= 0)
        TCP_Read(backup_);
}

void DevicePoller::Run()
{
    prctl(PR_SET_TIMERSLACK, kTimerSlackNs);
    auto nextPump = Clock::now();
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(waitLock_);
            if (stop_)
                return;
        }
        auto now = Clock::now();
        if (inFlight_ >= 0) {
            if (now < nextLook_) {
                std::this_thread::sleep_for(nextLook_ - now);
                continue;
            }
            Pump();
            now = Clock::now();
            RecordPlan &r = device_.records[static_cast<size_t>(inFlight_)];
            uint32_t c = Completion(request_.get());
            ++looks_;
            if (c == FL_COMPLETION_DONE) {
                NoteAnswerTime(now - sentAt_, looks_ == 1);
                Finish(r);
            } else if (c == FL_COMPLETION_OTHER_REFERENCE && r.family == Family::S5) {
                AttemptFailed(r, now);
            } else if (now - sentAt_ >= timing_.replyTimeout) {
                AttemptFailed(r, now);
            } else if (health_ == Health::Good && now >= nextDownCheck_ &&
                       (nextDownCheck_ = now + kDownCheckStep, ConnectionDown())) {
                DeviceFailed(now); // the peer closed it: no answer will come
            } else {
                nextLook_ = now + AnswerStep(now);
            }
            continue;
        }
        // With nothing in flight the connection still needs its steps now and then: set-up,
        // reconnection, a close by the peer.
        if (now >= nextPump) {
            Pump();
            nextPump = now + kIdleStep;
        }
        if (health_ == Health::Failed && now < retryAt_) {
            Wait(std::min<Clock::duration>(retryAt_ - now, nextPump - now));
            continue;
        }
        // The most overdue record goes first; each keeps its own period from its previous due time.
        int next = -1;
        for (size_t i = 0; i < states_.size(); ++i)
            if (device_.records[i].periodMs != 0 &&
                (next < 0 || states_[i].due < states_[static_cast<size_t>(next)].due))
                next = static_cast<int>(i);
        if (next < 0) {
            Wait(nextPump - now);
            continue;
        }
        RecordState &s = states_[static_cast<size_t>(next)];
        // A record due within one answer time goes now: the wake-up saved costs more than the
        // few microseconds it is early, and its period still runs from its due time.
        auto early = std::min<Clock::duration>(answerGuess_, kEarliest);
        if (s.due > now + early) {
            Wait(std::min<Clock::duration>(s.due - now, nextPump - now));
            continue;
        }
        RecordPlan &r = device_.records[static_cast<size_t>(next)];
        auto period = std::chrono::milliseconds(r.periodMs);
        s.due += period;
        if (s.due <= now) {
            // Fell behind (a failure, a slow answer): the missed periods are skipped, not caught up
            // in a burst, and the record keeps its place in the period beside the others.
            s.due += (now - s.due) / period * period + period;
        }
        if (renewDue_)
            Renew();
        inFlight_ = next;
        partOffset_ = 0;
        staged_.assign(r.bytes, 0);
        Send(r);
    }
}

} // namespace spoll
