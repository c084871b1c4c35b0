// How many items one S7 read asks for: the request and its answer both fit the negotiated PDU size,
// and one item more would not (or the library's item limit is reached).
#include "driver/device_poller.h"
#include "ferrolink.h"

#include <gtest/gtest.h>

namespace
{

size_t RequestBytes(int items)
{
    return spoll::kS7ReadRequestFixed + spoll::kS7ReadRequestItem * static_cast<size_t>(items);
}
size_t AnswerBytes(int items)
{
    return spoll::kS7ReadAnswerFixed +
           (spoll::kS7ReadAnswerItem + FL_RB_SLOT_SIZE) * static_cast<size_t>(items);
}

} // namespace

TEST(S7ItemsPerRequest, TheRequestAndItsAnswerFitThePduAndOneItemMoreWouldNot)
{
    struct Case {
        size_t pdu;
        int items;
    };
    // 0: not negotiated yet; 100: below what any controller takes; 240 and 480: common sizes.
    for (Case c :
         {Case{0, 3}, Case{100, 3}, Case{240, 3}, Case{480, 6}, Case{960, 13}, Case{65535, FL_MAX_ITEMS}}) {
        SCOPED_TRACE(c.pdu);
        int items = spoll::S7ItemsPerRequest(c.pdu);
        EXPECT_EQ(items, c.items);
        size_t pdu = std::max(c.pdu, spoll::kS7SmallestPdu);
        EXPECT_LE(RequestBytes(items), pdu);
        EXPECT_LE(AnswerBytes(items), pdu);
        if (items < FL_MAX_ITEMS) {
            EXPECT_GT(AnswerBytes(items + 1), pdu);
        }
    }
}
