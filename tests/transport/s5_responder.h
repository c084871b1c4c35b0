// A small S5 controller on port 102 for the fetch/write tests: it accepts one ISO-on-TCP
// connection at a time, answers the CR with a CC and S5 fetch and write messages as a controller's
// communication processor does, keeping memory by (organisation, block) in bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace ferrolink_test
{

class S5Responder
{
public:
    enum class Delivery {
        Whole,        // one TPKT per answer, written at once
        SplitReads,   // the answer's bytes trickle in over several reads
        TwoDataUnits, // the answer in two DTs, only the second one ending the unit
    };

    S5Responder();
    ~S5Responder();
    bool Start(uint16_t port);
    void SetDelivery(Delivery d) { delivery_ = d; }
    // The last S5 message received (header and data).
    std::vector<uint8_t> LastRequest();
    void Poke(uint8_t org, uint8_t block, size_t at, const std::vector<uint8_t> &bytes);

private:
    void Serve();
    void Handle(int fd);
    bool Answer(int fd, const std::vector<uint8_t> &message);
    bool SendTpkt(int fd, const std::vector<uint8_t> &unit);

    int listen_fd_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<Delivery> delivery_{Delivery::Whole};
    std::thread thread_;
    std::mutex lock_;
    std::map<std::pair<uint8_t, uint8_t>, std::vector<uint8_t>> memory_;
    std::vector<uint8_t> last_request_;
};

} // namespace ferrolink_test
