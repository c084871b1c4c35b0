// The TCP stream cut into TPKTs: splits, several per read, garbage and the empty-read rule.
#include "tpkt_reassembler.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ferrolink;
using Bytes = std::vector<uint8_t>;

namespace
{
Bytes Tpkt(Bytes unit)
{
    size_t total = unit.size() + 4;
    Bytes t = {0x03, 0x00, static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total)};
    t.insert(t.end(), unit.begin(), unit.end());
    return t;
}

struct Collector {
    TpktReassembler r;
    std::vector<Bytes> got;
    void Feed(const Bytes &b)
    {
        r.Feed(b, [this](std::span<const uint8_t> t) { got.emplace_back(t.begin(), t.end()); });
    }
};

const Bytes kA = Tpkt({0x02, 0xF0, 0x80, 0x32, 0x03, 0x00});
const Bytes kB = Tpkt({0x02, 0xF0, 0x00});
const Bytes kC = Tpkt({0x11, 0xD0, 0x00, 0x01, 0x02, 0x03, 0x00, 0xC0, 0x01, 0x0A, 0xC1, 0x02, 0x01, 0x00,
                       0xC2, 0x02, 0x03, 0x02});

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const auto &p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}
} // namespace

TEST(TpktReassembler, ASplitTpktIsDispatchedOnceAfterTheSecondRead)
{
    Collector c;
    c.Feed(Bytes(kA.begin(), kA.begin() + 5));
    EXPECT_TRUE(c.got.empty());
    c.Feed(Bytes(kA.begin() + 5, kA.end()));
    ASSERT_EQ(c.got.size(), 1u);
    EXPECT_EQ(c.got[0], kA);
    EXPECT_EQ(c.r.Pending(), 0u);
}

TEST(TpktReassembler, EveryCompleteTpktOfAReadIsDispatchedAndATrailingPieceKept)
{
    Collector c;
    Bytes all = Join({kA, kB, kC});
    c.Feed(Bytes(all.begin(), all.end() - 3));
    ASSERT_EQ(c.got.size(), 2u);
    EXPECT_EQ(c.got[1], kB);
    c.Feed(Bytes(all.end() - 3, all.end()));
    ASSERT_EQ(c.got.size(), 3u);
    EXPECT_EQ(c.got[2], kC);
}

TEST(TpktReassembler, AStreamFedByteByByteGivesTheSameTpkts)
{
    Collector c;
    Bytes all = Join({kC, kB, kA, kA});
    for (uint8_t b : all) {
        c.Feed(Bytes{b});
    }
    EXPECT_EQ(c.got, (std::vector<Bytes>{kC, kB, kA, kA}));
}

TEST(TpktReassembler, HeadersThatCannotBeTrustedDropTheStream)
{
    const Bytes bad[] = {
        {0x04, 0x00, 0x00, 0x07, 0x02, 0xF0, 0x80}, // not version 3
        {0x03, 0x00, 0x00, 0x03},                   // shorter than its own header
        {0x03, 0x00, 0xFF, 0xFF, 0x02},             // longer than any unit we accept
    };
    for (const auto &b : bad) {
        Collector c;
        c.Feed(Join({kA, b, kB}));
        EXPECT_EQ(c.got.size(), 1u);
        EXPECT_EQ(c.r.Pending(), 0u);
        c.Feed(kB); // the next read starts afresh
        EXPECT_EQ(c.got.size(), 2u);
    }
}

TEST(TpktReassembler, AKeptPieceIsDroppedAfter500EmptyReads)
{
    Collector c;
    c.Feed(Bytes(kA.begin(), kA.begin() + 6));
    for (int i = 0; i < 499; ++i) {
        c.r.NoteEmptyRead();
    }
    EXPECT_EQ(c.r.Pending(), 6u);
    c.r.NoteEmptyRead();
    EXPECT_EQ(c.r.Pending(), 0u);
    c.Feed(kB);
    EXPECT_EQ(c.got, (std::vector<Bytes>{kB}));
}

TEST(TpktReassembler, AReadThatBringsBytesRestartsTheEmptyReadCount)
{
    Collector c;
    c.Feed(Bytes(kA.begin(), kA.begin() + 2));
    for (int i = 0; i < 400; ++i) {
        c.r.NoteEmptyRead();
    }
    c.Feed(Bytes(kA.begin() + 2, kA.begin() + 4));
    for (int i = 0; i < 400; ++i) {
        c.r.NoteEmptyRead();
    }
    c.Feed(Bytes(kA.begin() + 4, kA.end()));
    EXPECT_EQ(c.got, (std::vector<Bytes>{kA}));
}
