#include "config_checksum.h"
#include "detector_config.h"
#include "segment_image.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

DetectorConfig initial_window_config() {
    DetectorConfig config;
    config.options1 = 0x4180;
    config.rop_ans = 10;
    config.rop_alm = 50;
    config.smoke_profile = 100;
    return config;
}

DetectorConfig busy_config() {
    DetectorConfig config;
    config.options1 = 0x1234;
    config.address = 0x0056;
    config.rop_address = 0x0007;
    config.options2 = 0x0489;
    config.rop_ans = 1000;
    config.rop_alm = 1;
    config.smoke_profile = 200;
    config.hc = 50;
    return config;
}

TEST(Detector_config, words_are_in_address_order) {
    const DetectorConfig config = busy_config();
    const auto words = config.words();
    ASSERT_EQ(words.size(), 8u);
    EXPECT_EQ(words[0], 0x1234);
    EXPECT_EQ(words[1], 0x0056);
    EXPECT_EQ(words[2], 0x0007);
    EXPECT_EQ(words[3], 0x0489);
    EXPECT_EQ(words[4], 1000);
    EXPECT_EQ(words[5], 1);
    EXPECT_EQ(words[6], 200);
    EXPECT_EQ(words[7], 50);
    EXPECT_EQ(DetectorConfig::address_of(0), 0x1040);
    EXPECT_EQ(DetectorConfig::address_of(7), 0x104E);
}

TEST(Detector_config, set_word_rejects_indices_outside_the_eight_words) {
    DetectorConfig config;
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(config.set_word(i, static_cast<std::uint16_t>(0x100 + i)));
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(config.words()[static_cast<std::size_t>(i)], 0x100 + i);
    }
    const DetectorConfig before = config;
    EXPECT_FALSE(config.set_word(-1, 0xFFFF));
    EXPECT_FALSE(config.set_word(8, 0xFFFF));
    EXPECT_EQ(config, before);
}

// Reference values computed independently (CRC-16/CCITT-FALSE over the words low byte first).
TEST(Config_checksum, read_direction_pads_with_seven_erased_words) {
    EXPECT_EQ(checksum_of_read(initial_window_config()), 0x1CD4);
    EXPECT_EQ(checksum_of_read(busy_config()), 0x4A0A);
}

TEST(Config_checksum, fifteen_erased_words) {
    std::array<std::uint16_t, config_checksum_words> words{};
    words.fill(0xFFFF);
    EXPECT_EQ(checksum_of_words(words), 0x5FBD);
}

TEST(Config_checksum, read_check_ignores_the_stored_crc) {
    DetectorConfig config = busy_config();
    config.crc = 0x1111;
    EXPECT_EQ(checksum_of_read(config), 0x4A0A);
}

TEST(Config_checksum, write_direction_covers_image_words_0_to_14_only) {
    SegmentImage image;
    image.place_config(initial_window_config());
    for (int i = 8; i < 15; ++i) {
        image.words[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i - 8);
    }
    EXPECT_EQ(image.checksum(), 0x7357);

    // Word 15 is the checksum itself and 16 to 31 lie beyond it.
    for (int i = 15; i < 32; ++i) {
        image.words[static_cast<std::size_t>(i)] = 0xBEEF;
    }
    EXPECT_EQ(image.checksum(), 0x7357);

    image.words[14] ^= 0x0100;
    EXPECT_NE(image.checksum(), 0x7357);
}

TEST(Config_checksum, both_directions_agree_when_the_gap_is_erased) {
    SegmentImage image;
    image.words.fill(0xFFFF);
    image.place_config(busy_config());
    image.seal();
    EXPECT_EQ(image.words[15], checksum_of_read(busy_config()));
}

TEST(Config_checksum, a_gap_that_is_not_erased_fails_the_next_read) {
    SegmentImage image;
    image.words.fill(0xFFFF);
    image.words[9] = 0x0000;
    image.place_config(busy_config());
    image.seal();
    EXPECT_NE(image.words[15], checksum_of_read(busy_config()));
}

TEST(Segment_image, pairs_map_to_consecutive_words) {
    SegmentImage image;
    for (int k = 0; k < 16; ++k) {
        ASSERT_TRUE(image.set_pair(k, static_cast<std::uint16_t>(2 * k),
                                   static_cast<std::uint16_t>(2 * k + 1)));
    }
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(image.words[static_cast<std::size_t>(i)], i);
    }
    EXPECT_EQ(SegmentImage::pair_address(0), 0x1040);
    EXPECT_EQ(SegmentImage::pair_address(15), 0x107C);
}

TEST(Segment_image, set_pair_rejects_pairs_outside_the_segment) {
    SegmentImage image;
    image.words.fill(0x5555);
    const SegmentImage before = image;
    EXPECT_FALSE(image.set_pair(-1, 1, 2));
    EXPECT_FALSE(image.set_pair(16, 1, 2));
    EXPECT_EQ(image, before);
}

TEST(Segment_image, place_config_keeps_the_words_it_does_not_own) {
    SegmentImage image;
    for (int i = 0; i < 32; ++i) {
        image.words[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(0xA000 + i);
    }
    image.place_config(busy_config());
    const auto config_words = busy_config().words();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(image.words[static_cast<std::size_t>(i)],
                  config_words[static_cast<std::size_t>(i)]);
    }
    for (int i = 8; i < 32; ++i) {
        EXPECT_EQ(image.words[static_cast<std::size_t>(i)], 0xA000 + i);
    }
}

TEST(Segment_image, seal_writes_word_15_only) {
    SegmentImage image;
    for (int i = 0; i < 32; ++i) {
        image.words[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(0x3000 + i);
    }
    SegmentImage expected = image;
    expected.words[15] = image.checksum();
    image.seal();
    EXPECT_EQ(image, expected);
}

} // namespace
