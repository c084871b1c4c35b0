// The exported C functions. Each one checks its indexes, takes the locks and hands over to the
// engine; nothing escapes as an exception.
#include "include/ferrolink.h"

#include "clock.h"
#include "connection_status.h"
#include "engine.h"
#include "h1_channel.h"
#include "h1_link.h"
#include "packet_device.h"
#include "tables.h"
#include "tcp_link.h"

#include <array>
#include <cstring>
#include <mutex>
#include <string>

using namespace ferrolink;

namespace
{
constexpr int kReferencesPerChannel = 256;
constexpr int kReferenceTickSpread = 8;

std::array<uint8_t, FL_CS_SIZE> g_connection_status{};
std::array<uint8_t, FL_CHANNEL_STATUS_SIZE> g_channel_status{};

constexpr size_t kMaxAdapterName = 62;
std::mutex g_adapter_lock;
FerrolinkAdapterList g_adapters{};
std::array<std::array<char16_t, FL_ADAPTER_TEXT>, 2 * FL_MAX_ADAPTERS> g_adapter_text{};

// Copies a text into a 128-character buffer, cut so that the terminating NUL always fits.
void CopyAdapterText(std::u16string_view text, std::array<char16_t, FL_ADAPTER_TEXT> &buffer)
{
    buffer.fill(0);
    std::copy_n(text.begin(), std::min(text.size(), buffer.size() - 1), buffer.begin());
}

std::u16string AdapterName(const char16_t *adapter)
{
    std::u16string name;
    for (size_t i = 0; i < kMaxAdapterName && adapter[i] != 0; ++i) {
        name.push_back(adapter[i]);
    }
    return name;
}

// H1: the device bound to the named adapter, with the adapter's address; null on any failure.
std::shared_ptr<PacketDevice> OpenBoundDevice(const char16_t *adapter, MacAddress &address)
{
    auto device = OpenPacketDevice();
    if (!device) {
        return nullptr;
    }
    if (!WaitForBindings(*device) || !BindAdapter(*device, AdapterName(adapter))) {
        device->Close();
        return nullptr;
    }
    auto queried = QueryAdapterAddress(*device);
    if (!queried) {
        device->Close();
        return nullptr;
    }
    address = *queried;
    return device;
}

// Stops an H1 channel's threads (outside every lock: they take connection locks themselves).
void StopChannelThreads(Channel &ch)
{
    std::shared_ptr<H1Channel> threads;
    {
        std::lock_guard guard(ch.lock);
        threads = std::move(ch.h1);
    }
    if (threads) {
        threads->Stop();
    }
}

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
    try {
        // Starting the service comes down to opening the packet layer (raw sockets need the privilege).
        auto device = OpenPacketDevice();
        if (!device) {
            return nullptr;
        }
        std::lock_guard guard(g_adapter_lock);
        g_adapters.count = 0;
        for (int i = 0; i < FL_MAX_ADAPTERS; ++i) {
            g_adapter_text[i].fill(0);
            g_adapter_text[FL_MAX_ADAPTERS + i].fill(0);
            g_adapters.description[i] = g_adapter_text[i].data();
            g_adapters.name[i] = g_adapter_text[FL_MAX_ADAPTERS + i].data();
        }
        for (uint32_t i = 0; i < FL_MAX_ADAPTERS; ++i) {
            auto binding = QueryBinding(*device, i);
            if (!binding) {
                break;
            }
            CopyAdapterText(binding->description, g_adapter_text[i]);
            CopyAdapterText(binding->name, g_adapter_text[FL_MAX_ADAPTERS + i]);
            ++g_adapters.count;
        }
        device->Close();
        return &g_adapters;
    } catch (...) {
        return nullptr;
    }
}

int H1_Open_Channel(int kind, int channel, const char16_t *adapter)
{
    if (!ValidChannel(channel)) {
        return 0;
    }
    try {
        Tables &t = LibraryTables();
        Channel &ch = t.channels[channel];
        uint32_t tick = CurrentClock().TickMs();
        MacAddress address{};
        std::shared_ptr<PacketDevice> device;
        std::shared_ptr<H1Channel> threads;
        if (kind != FL_CHANNEL_TCP) {
            {
                std::lock_guard guard(ch.lock);
                if (ch.h1) {
                    return 0; // its threads run: the caller closes it first
                }
            }
            if (adapter == nullptr) {
                return 0;
            }
            device = OpenBoundDevice(adapter, address);
            if (!device) {
                return 0;
            }
            threads = std::make_shared<H1Channel>(t, channel, device);
        }
        {
            std::lock_guard guard(ch.lock);
            if (ch.h1) {
                return 0; // opened by another caller meanwhile
            }
            ch.kind = kind;
            ch.next_local_ref = static_cast<uint16_t>(
                (channel + static_cast<int>(tick % kReferenceTickSpread)) * kReferencesPerChannel);
            ch.adapter_address = address;
            ch.device = device;
            ch.h1 = threads;
            ch.open = true;
        }
        if (threads && !threads->Start()) {
            StopChannelThreads(ch);
            std::lock_guard guard(ch.lock);
            ch.open = false;
            ch.device.reset();
            return 0;
        }
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
        StopChannelThreads(t.channels[channel]);
        std::lock_guard table_guard(t.lock);
        for (Connection &c : t.connections) {
            std::lock_guard guard(c.lock);
            if (c.in_use && c.channel == channel) {
                ReleaseSlot(t, c);
            }
        }
        std::lock_guard guard(t.channels[channel].lock);
        t.channels[channel].open = false;
        if (t.channels[channel].device) {
            t.channels[channel].device->Close();
            t.channels[channel].device.reset();
        }
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
        std::shared_ptr<PacketDevice> device;
        MacAddress adapter{};
        {
            std::lock_guard guard(ch.lock);
            local_ref = ch.next_local_ref++;
            device = ch.device;
            adapter = ch.adapter_address;
        }
        bool tcp = ch.kind == FL_CHANNEL_TCP;
        if (!tcp && !device) {
            return -1;
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
        if (tcp) {
            c.link = std::make_unique<TcpLink>(RemoteIpv4(remote), kIsoTcpPort);
            ++c.reconnections;
            c.send_credit = 1;
        } else {
            c.link = std::make_unique<H1Link>(device, adapter, c.remote_address);
        }
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
    if (c.in_use && c.link && c.state != kStateClosed) {
        try {
            DisconnectConnection(c);
        } catch (...) {
            c.state = kStateClosed;
        }
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
