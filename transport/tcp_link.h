// RFC 1006 link: one non-blocking TCP socket to the controller's port 102.
#pragma once

#include "frame_link.h"

#include <cstdint>
#include <vector>

namespace ferrolink
{

constexpr uint16_t kIsoTcpPort = 102;

class TcpLink final : public FrameLink
{
public:
    // `address` is the IPv4 address as a 32-bit number in host order.
    TcpLink(uint32_t address, uint16_t port);
    ~TcpLink() override;
    TcpLink(const TcpLink &) = delete;
    TcpLink &operator=(const TcpLink &) = delete;

    Framing Kind() const override { return Framing::Tcp; }
    int SendUnit(std::span<const uint8_t> unit) override;
    long Receive(std::span<uint8_t> buffer) override;
    bool Connected() const override { return connected_; }
    void Reconnect() override;
    void Close() override;
    int WritableCheck() override;
    int LastError() const { return last_error_; }

private:
    void Connect();
    void CloseSocket();

    uint32_t address_;
    uint16_t port_;
    int fd_ = -1;
    bool connected_ = false;
    int last_error_ = 0;
    std::vector<uint8_t> frame_;
};

} // namespace ferrolink
