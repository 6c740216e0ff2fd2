#include "detector_factory.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using Kind = Detector_factory::Kind;

bool configuration_erased(const Sim_detector& detector) {
    for (std::uint16_t address = 0x1040; address <= 0x105E; address += 2) {
        if (detector.word(address) != 0xFFFF) {
            return false;
        }
    }
    return true;
}

TEST(DetectorFactory, EveryDetectorGetsTheNextProductionNumber) {
    Detector_factory factory;
    const Sim_detector first = factory.make({});
    const Sim_detector second = factory.make({});
    const Sim_detector third = factory.make({.kind = Kind::configured});
    EXPECT_EQ(first.pair(Sim_detector::wid_address)[1], Detector_factory::first_number);
    EXPECT_EQ(second.pair(Sim_detector::wid_address)[1], Detector_factory::first_number + 1);
    EXPECT_EQ(third.pair(Sim_detector::wid_address)[1], Detector_factory::first_number + 2);
    EXPECT_EQ(factory.made(), 3);
}

TEST(DetectorFactory, FactoryFreshHasNoConfigurationButItsCalibration) {
    Detector_factory factory;
    const Sim_detector detector = factory.make({.version = 45, .info_word = 0x1A0});
    EXPECT_EQ(detector.version(), 45);
    EXPECT_EQ(detector.info_word(), 0x1A0);
    EXPECT_TRUE(configuration_erased(detector));
    EXPECT_FALSE(detector.config_crc_valid());
    // The parameter pairs the configurator reads and verifies are in place.
    EXPECT_NE(detector.pair(Sim_detector::ur_address)[0], 0xFFFF);
    EXPECT_NE(detector.pair(Sim_detector::uc_address)[0], 0xFFFF);
}

TEST(DetectorFactory, ConfiguredHoldsAValidConfiguration) {
    Detector_factory factory;
    const Sim_detector detector = factory.make({.kind = Kind::configured});
    EXPECT_FALSE(configuration_erased(detector));
    EXPECT_TRUE(detector.config_crc_valid());
    EXPECT_EQ(detector.config().options1, 0x4180);
}

struct Typed {
    std::string text;
    std::optional<std::uint16_t> word;
};

class ParseWord : public ::testing::TestWithParam<Typed> {};

TEST_P(ParseWord, AsTyped) {
    EXPECT_EQ(Detector_factory::parse_word(GetParam().text), GetParam().word)
        << "\"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseWord,
                         ::testing::Values(Typed{"33", 33}, Typed{"0x21", 0x21},
                                           Typed{"0X1a0", 0x1A0}, Typed{" 0x0021 ", 0x21},
                                           Typed{"0", 0}, Typed{"65535", 0xFFFF},
                                           Typed{"0xFFFF", 0xFFFF}, Typed{"65536", std::nullopt},
                                           Typed{"0x10000", std::nullopt},
                                           Typed{"0x", std::nullopt}, Typed{"", std::nullopt},
                                           Typed{"   ", std::nullopt}, Typed{"12a", std::nullopt},
                                           Typed{"0xg1", std::nullopt}, Typed{"-1", std::nullopt},
                                           Typed{"99999999999999999999", std::nullopt}));

} // namespace
