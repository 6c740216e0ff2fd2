#include "bit_operations.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct Bit_case {
    std::uint16_t word;
    int n;
    bool expected;
};

class Test_bit : public ::testing::TestWithParam<Bit_case> {};

TEST_P(Test_bit, reads_only_bits_0_to_15) {
    const Bit_operations bits;
    EXPECT_EQ(bits.test_bit(GetParam().word, GetParam().n), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Bit_operations, Test_bit,
                         ::testing::Values(Bit_case{0x0001, 0, true}, Bit_case{0xFFFE, 0, false},
                                           Bit_case{0x8000, 15, true}, Bit_case{0x7FFF, 15, false},
                                           Bit_case{0x0020, 5, true}, Bit_case{0xFFDF, 5, false},
                                           Bit_case{0xFFFF, 16, false}, Bit_case{0xFFFF, -1, false},
                                           Bit_case{0xFFFF, 31, false},
                                           Bit_case{0xFFFF, 32, false}));

TEST(Bit_operations, set_bit_sets_with_1_and_clears_with_any_other_value) {
    const Bit_operations bits;
    std::uint16_t word = 0;
    bits.set_bit(word, 15, 1);
    EXPECT_EQ(word, 0x8000);
    bits.set_bit(word, 0, 1);
    EXPECT_EQ(word, 0x8001);
    bits.set_bit(word, 15, 2);
    EXPECT_EQ(word, 0x0001);
    bits.set_bit(word, 3, 1);
    bits.set_bit(word, 3, -1);
    EXPECT_EQ(word, 0x0001);
    bits.set_bit(word, 0, 0);
    EXPECT_EQ(word, 0x0000);
}

TEST(Bit_operations, set_bit_ignores_bit_numbers_outside_the_word) {
    const Bit_operations bits;
    for (int n : {-1, 16, 17, 31, 32, -32}) {
        std::uint16_t word = 0xA5A5;
        bits.set_bit(word, n, 1);
        EXPECT_EQ(word, 0xA5A5) << n;
        bits.set_bit(word, n, 0);
        EXPECT_EQ(word, 0xA5A5) << n;
    }
}

TEST(Bit_operations, every_bit_round_trips_alone) {
    const Bit_operations bits;
    for (int n = 0; n < 16; ++n) {
        std::uint16_t word = 0;
        bits.set_bit(word, n, 1);
        EXPECT_EQ(word, 1u << n);
        for (int other = 0; other < 16; ++other) {
            EXPECT_EQ(bits.test_bit(word, other), other == n);
        }
    }
}

} // namespace
