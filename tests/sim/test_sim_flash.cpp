#include "sim_flash.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

void fill(Sim_flash& flash, std::uint16_t value) {
    for (std::uint32_t a = Sim_flash::info_start; a < Sim_flash::info_end; a += 2) {
        flash.set_word(static_cast<std::uint16_t>(a), value);
    }
    for (std::uint32_t a = Sim_flash::backup_start; a < Sim_flash::backup_end; a += 2) {
        flash.set_word(static_cast<std::uint16_t>(a), value);
    }
}

TEST(SimFlash, MemoryMapEdges) {
    struct Case {
        std::uint16_t address;
        bool mapped;
    };
    const Case cases[] = {{0x0FFE, false}, {0x1000, true},  {0x10FE, true}, {0x1100, false},
                          {0xFBFE, false}, {0xFC00, true},  {0xFDFE, true}, {0xFE00, false},
                          {0x0000, false}, {0xFFFE, false}, {0x8000, false}};
    Sim_flash flash;
    for (const Case& c : cases) {
        EXPECT_EQ(Sim_flash::mapped(c.address), c.mapped) << std::hex << c.address;
        // Vacant memory reads erased and takes nothing.
        flash.set_word(c.address, 0x1234);
        EXPECT_EQ(flash.program_word(c.address, 0x0000), c.mapped);
        EXPECT_EQ(flash.word(c.address), c.mapped ? 0x0000 : 0xFFFF) << std::hex << c.address;
        EXPECT_EQ(flash.erase_segment(c.address), c.mapped);
    }
}

TEST(SimFlash, StartsErased) {
    Sim_flash flash;
    EXPECT_TRUE(flash.segment_erased(0x1000));
    EXPECT_TRUE(flash.segment_erased(0x10C0));
    EXPECT_TRUE(flash.segment_erased(0xFC00));
    EXPECT_EQ(flash.word(0x1040), 0xFFFF);
}

TEST(SimFlash, ProgrammingOnlyClearsBits) {
    struct Case {
        std::uint16_t before;
        std::uint16_t programmed;
        std::uint16_t after;
    };
    const Case cases[] = {
        {0xFFFF, 0x1234, 0x1234}, // erased word takes the value
        {0x1234, 0xFF00, 0x1200}, // over a programmed word: AND
        {0x0000, 0xFFFF, 0x0000}, // no bit comes back without an erase
        {0x5A5A, 0xA5A5, 0x0000}, {0x1234, 0x1234, 0x1234},
    };
    for (const Case& c : cases) {
        Sim_flash flash;
        flash.set_word(0x1042, c.before);
        flash.program_word(0x1042, c.programmed);
        EXPECT_EQ(flash.word(0x1042), c.after) << std::hex << c.before << " & " << c.programmed;
    }
}

TEST(SimFlash, EraseSetsExactlyTheSegmentHoldingTheAddress) {
    struct Case {
        std::uint16_t address;
        std::uint16_t first;
        std::uint16_t size;
    };
    const Case cases[] = {{0x1000, 0x1000, 64}, {0x103E, 0x1000, 64},  {0x1040, 0x1040, 64},
                          {0x105E, 0x1040, 64}, {0x107F, 0x1040, 64},  {0x1080, 0x1080, 64},
                          {0x10FE, 0x10C0, 64}, {0xFC00, 0xFC00, 512}, {0xFDFE, 0xFC00, 512}};
    for (const Case& c : cases) {
        Sim_flash flash;
        fill(flash, 0x0000);
        ASSERT_TRUE(flash.erase_segment(c.address));
        EXPECT_EQ(Sim_flash::segment_start(c.address), c.first);
        for (std::uint32_t a = Sim_flash::info_start; a < Sim_flash::backup_end; a += 2) {
            const auto address = static_cast<std::uint16_t>(a);
            if (!Sim_flash::mapped(address)) {
                continue;
            }
            const bool inside = a >= c.first && a < std::uint32_t{c.first} + c.size;
            EXPECT_EQ(flash.word(address), inside ? 0xFFFF : 0x0000)
                << "erase at " << std::hex << c.address << ", word " << a;
        }
        EXPECT_EQ(flash.erase_count(), 1u);
    }
}

TEST(SimFlash, OddAddressesReachTheWordBelow) {
    Sim_flash flash;
    flash.program_word(0x1043, 0x00FF);
    EXPECT_EQ(flash.word(0x1042), 0x00FF);
    EXPECT_EQ(flash.word(0x1043), 0x00FF);
    EXPECT_EQ(flash.word(0x1044), 0xFFFF);
}

} // namespace
