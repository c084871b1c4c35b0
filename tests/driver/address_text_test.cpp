// The addresses `kvzcfg driver read` takes, by family.
#include "driver/address_text.h"
#include "ferrolink.h"

#include <gtest/gtest.h>

using namespace spoll;

TEST(AddressText, ParsesS7AndS5AddressesAndRefusesTheRest)
{
    struct Case {
        Family family;
        const char *text;
        bool ok;
        uint32_t area = 0;
        uint16_t db = 0;
        uint32_t start = 0, width = 1;
        int bit = -1;
    };
    const Case cases[] = {
        {Family::S7, "DB10,DBW4", true, FL_S7_AREA_DB, 10, 4, 2},
        {Family::S7, "db10.dbx2.1", true, FL_S7_AREA_DB, 10, 2, 1, 1},
        {Family::S7, "DB010,B0004", true, FL_S7_AREA_DB, 10, 4, 1},
        {Family::S7, "MD8", true, FL_S7_AREA_MARKERS, 0, 8, 4},
        {Family::S7, "M5", true, FL_S7_AREA_MARKERS, 0, 5, 1},
        {Family::S7, "Q1.3", true, FL_S7_AREA_OUTPUTS, 0, 1, 1, 3},
        {Family::S7, "EB2", true, FL_S7_AREA_INPUTS, 0, 2, 1},
        {Family::S7, "M1.8", false},
        {Family::S7, "MX4", false}, // a bit address needs its bit
        {Family::S7, "DB10", false},
        {Family::S7, "MW4x", false},
        {Family::S7, "T5", false},
        {Family::S7, "M99999999", false},
        {Family::S5, "DB:3:100", true, 1, 3, 100, 1},
        {Family::S5, "dx;3;0", true, 10, 3, 0, 1},
        {Family::S5, "C:5", true, 6, 0, 5, 1},
        {Family::S5, "DB:300:1", false},
        {Family::S5, "DB:3", false},
        {Family::S5, "MW4", false},
        {Family::TI, "V:100", false},
    };
    for (const Case &c : cases) {
        auto a = ParseAddress(c.family, c.text);
        ASSERT_EQ(a.has_value(), c.ok) << c.text;
        if (!a)
            continue;
        EXPECT_EQ(a->area, c.area) << c.text;
        EXPECT_EQ(a->db, c.db) << c.text;
        EXPECT_EQ(a->start, c.start) << c.text;
        EXPECT_EQ(a->width, c.width) << c.text;
        EXPECT_EQ(a->bit, c.bit) << c.text;
    }
}
