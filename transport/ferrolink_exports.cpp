// The exported C functions. Each one checks its indexes, takes the locks and hands over to the
// engine; nothing escapes as an exception.
#include "include/ferrolink.h"

#include "clock.h"
#include "connection_status.h"
#include "engine.h"
#include "tables.h"
#include "tcp_link.h"

#include <array>
#include <cstring>

using namespace ferrolink;

namespace
{
constexpr int kReferencesPerChannel = 256;
constexpr int kReferenceTickSpread = 8;

std::array<uint8_t, FL_CS_SIZE> g_connection_status{};
std::array<uint8_t, FL_CHANNEL_STATUS_SIZE> g_channel_status{};

bool ValidChannel(int channel)
{
    return channel >= 0 && channel < kMaxChannels;
}
bool ValidConnection(int connection)
{
    return connection >= 0 && connection < kMaxConnections;
}

// Ends a connection's use of its slot; called under the tables' lock and the connection's lock.
void ReleaseSlot(Tables &t, Connection &c)
{
    if (c.link) {
        c.link->Close();
    }
    c.Clear();
    if (t.connection_count > 0) {
        --t.connection_count;
    }
}

int Submit(int connection, void *request, bool write)
{
    if (!ValidConnection(connection) || request == nullptr) {
        return 0;
    }
    Connection &c = LibraryTables().connections[connection];
    std::lock_guard guard(c.lock);
    if (!c.in_use || !c.link) {
        return 0;
    }
    return SubmitRequest(c, RequestBlock(request), write);
}

uint32_t RemoteIpv4(const unsigned char *remote)
{
    uint32_t address = 0;
    std::memcpy(&address, remote, sizeof address); // host order, as the device record holds it
    return address;
}
} // namespace

extern "C" {

void *H1_GetAdapternames(void)
{
    // Raw Ethernet needs the packet layer, which this build does not provide yet.
    return nullptr;
}

int H1_Open_Channel(int kind, int channel, const char16_t *adapter)
{
    (void)adapter;
    if (!ValidChannel(channel) || kind != FL_CHANNEL_TCP) {
        return 0;
    }
    try {
        Channel &ch = LibraryTables().channels[channel];
        uint32_t tick = CurrentClock().TickMs();
        std::lock_guard guard(ch.lock);
        ch.kind = kind;
        ch.next_local_ref = static_cast<uint16_t>((channel + static_cast<int>(tick % kReferenceTickSpread)) *
                                                  kReferencesPerChannel);
        ch.adapter_address = {};
        ch.open = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

void H1_Close_Channel(int channel)
{
    if (!ValidChannel(channel)) {
        return;
    }
    try {
        Tables &t = LibraryTables();
        std::lock_guard table_guard(t.lock);
        for (Connection &c : t.connections) {
            std::lock_guard guard(c.lock);
            if (c.in_use && c.channel == channel) {
                ReleaseSlot(t, c);
            }
        }
        std::lock_guard guard(t.channels[channel].lock);
        t.channels[channel].open = false;
    } catch (...) {
    }
}

int H1_Create_Connection(int channel, const char *tsap, const unsigned char *remote, int kind, void *request)
{
    if (!ValidChannel(channel) || remote == nullptr || kind < kKindS5 || kind > kKindS5Form2) {
        return -1;
    }
    try {
        Tables &t = LibraryTables();
        std::lock_guard table_guard(t.lock);
        Channel &ch = t.channels[channel];
        int index = FreeConnectionSlot(t);
        if (!ch.open || index < 0) {
            return -1;
        }
        uint16_t local_ref = 0;
        {
            std::lock_guard guard(ch.lock);
            local_ref = ch.next_local_ref++;
        }
        ++t.connection_count;
        Connection &c = t.connections[index];
        std::lock_guard guard(c.lock);
        c.Clear();
        c.in_use = true;
        c.state = kStateNotConnected;
        c.local_ref = local_ref;
        c.request = RequestBlock(request);
        std::memcpy(c.remote_address.data(), remote, c.remote_address.size());
        c.tsaps = ParseTsap(tsap, kind);
        c.kind = kind;
        c.channel = channel;
        c.channel_kind = ch.kind;
        c.send_credit = 0;
        c.our_credit = 1;
        c.link = std::make_unique<TcpLink>(RemoteIpv4(remote), kIsoTcpPort);
        ++c.reconnections;
        c.send_credit = 1;
        c.last_step_tick = CurrentClock().TickMs();
        c.status_tick = c.last_step_tick;
        SendCr(c);
        return index;
    } catch (...) {
        return -1;
    }
}

int H1_Disconnect_Connection(int connection)
{
    if (!ValidConnection(connection)) {
        return 1;
    }
    Connection &c = LibraryTables().connections[connection];
    std::lock_guard guard(c.lock);
    if (c.in_use && c.link) {
        c.link->Close();
        c.state = kStateClosed;
    }
    return 1;
}

int H1_Kill_Connection(int connection)
{
    if (!ValidConnection(connection)) {
        return 1;
    }
    try {
        Tables &t = LibraryTables();
        std::lock_guard table_guard(t.lock);
        Connection &c = t.connections[connection];
        std::lock_guard guard(c.lock);
        if (c.in_use) {
            ReleaseSlot(t, c);
        }
    } catch (...) {
    }
    return 1;
}

int H1_Send_Request(int connection, void *request)
{
    try {
        return Submit(connection, request, false);
    } catch (...) {
        return 0;
    }
}

int H1_Send_Write_Data(int connection, void *request)
{
    try {
        return Submit(connection, request, true);
    } catch (...) {
        return 0;
    }
}

void *H1_Get_Connection_Status(int connection)
{
    if (ValidConnection(connection)) {
        try {
            Tables &t = LibraryTables();
            Connection &c = t.connections[connection];
            int count = t.connection_count;
            std::lock_guard guard(c.lock);
            if (c.in_use && c.state != kStateClosed) {
                FillConnectionStatus(c, connection, count, g_connection_status.data());
            }
        } catch (...) {
        }
    }
    return g_connection_status.data();
}

void *H1_Get_Channel_Status(int channel)
{
    if (ValidChannel(channel)) {
        Channel &ch = LibraryTables().channels[channel];
        std::lock_guard guard(ch.lock);
        std::memcpy(g_channel_status.data(), ch.adapter_address.data(), g_channel_status.size());
    }
    return g_channel_status.data();
}

int TCP_Read(int connection)
{
    if (!ValidConnection(connection)) {
        return 0;
    }
    try {
        Connection &c = LibraryTables().connections[connection];
        std::lock_guard guard(c.lock);
        if (!c.in_use || !c.link || c.state == kStateClosed || c.link->Kind() != Framing::Tcp) {
            return 0;
        }
        std::array<uint8_t, FL_MAX_FRAME> buffer;
        long received = c.link->Receive(buffer);
        if (received > 0) {
            c.reassembly.Feed(
                std::span<const uint8_t>(buffer.data(), static_cast<size_t>(received)),
                [&c](std::span<const uint8_t> tpkt) { DispatchUnit(c, tpkt.subspan(kTpktHeader)); });
        } else if (received < 0) {
            c.reassembly.Clear(); // the stream it belonged to is gone
        } else {
            c.reassembly.NoteEmptyRead();
        }
        EngineStep(c);
    } catch (...) {
    }
    return 0;
}

} // extern "C"
