#include "checksums.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// Plain bitwise references written straight from the catalogue parameters (width, poly, init,
// refin, refout, xorout), deliberately in a different form than the production code.
std::uint16_t reference_crc16_arc(const std::vector<std::uint8_t>& data) {
    std::uint16_t crc = 0;
    for (std::uint8_t b : data) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) {
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : (crc >> 1);
        }
    }
    return crc;
}

std::uint8_t reverse8(std::uint8_t v) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i) {
        r = static_cast<std::uint8_t>((r << 1) | ((v >> i) & 1));
    }
    return r;
}

// MSB-first form with reflected input and output, polynomial 0x31.
std::uint8_t reference_crc8_maxim(const std::vector<std::uint8_t>& data) {
    std::uint8_t crc = 0;
    for (std::uint8_t b : data) {
        crc ^= reverse8(b);
        for (int i = 0; i < 8; ++i) {
            crc = (crc & 0x80) ? static_cast<std::uint8_t>((crc << 1) ^ 0x31)
                               : static_cast<std::uint8_t>(crc << 1);
        }
    }
    return reverse8(crc);
}

std::uint16_t reference_crc16_ibm3740(const std::vector<std::uint8_t>& data) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : data) {
        crc ^= static_cast<std::uint16_t>(b << 8);
        for (int i = 0; i < 8; ++i) {
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

const std::vector<std::uint8_t> check_input = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};

} // namespace

TEST(Checksums, CatalogueCheckValues) {
    EXPECT_EQ(crc16_arc(check_input.data(), 9), 0xBB3D);
    EXPECT_EQ(crc8_maxim(check_input.data(), 9), 0xA1);
    EXPECT_EQ(crc16_ccitt(check_input.data(), 9), 0x29B1);
}

TEST(Checksums, EmptyInputYieldsInitialValue) {
    const std::uint8_t none[1] = {0xFF};
    EXPECT_EQ(crc16_arc(none, 0), 0x0000);
    EXPECT_EQ(crc8_maxim(none, 0), 0x00);
    EXPECT_EQ(crc16_ccitt(none, 0), 0xFFFF);
}

TEST(Checksums, Arc16SingleByteTableEntries) {
    // The CRC of one byte b from init 0 is table entry b.
    const struct {
        std::uint8_t byte;
        std::uint16_t crc;
    } rows[] = {{0x01, 0xC0C1}, {0x80, 0xA001}, {0xFF, 0x4040}, {0x00, 0x0000}};
    for (const auto& row : rows) {
        EXPECT_EQ(crc16_arc(&row.byte, 1), row.crc) << int(row.byte);
    }
}

TEST(Checksums, Arc16CountIsEightBitsWide) {
    std::vector<std::uint8_t> data(300);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    // 300 taken modulo 256 covers the first 44 bytes only.
    const std::uint16_t count = 300;
    EXPECT_EQ(crc16_arc(data.data(), static_cast<std::uint8_t>(count)),
              reference_crc16_arc(std::vector<std::uint8_t>(data.begin(), data.begin() + 44)));
    EXPECT_EQ(crc16_arc(data.data(), 255),
              reference_crc16_arc(std::vector<std::uint8_t>(data.begin(), data.begin() + 255)));
}

TEST(Checksums, Maxim8OfEightZeroBytesIsZero) {
    // An all-zero reply report passes the detector CRC check; the transaction layer relies on it.
    const std::uint8_t zeros[8] = {};
    EXPECT_EQ(crc8_maxim(zeros, 8), 0x00);
}

TEST(Checksums, RandomisedAgainstBitwiseReferences) {
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> length(0, 300);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(length(rng)));
        for (auto& b : data) {
            b = static_cast<std::uint8_t>(byte(rng));
        }
        const auto n = static_cast<std::uint16_t>(data.size());
        ASSERT_EQ(crc8_maxim(data.data(), n), reference_crc8_maxim(data)) << round;
        ASSERT_EQ(crc16_ccitt(data.data(), n), reference_crc16_ibm3740(data)) << round;
        if (data.size() <= 255) {
            ASSERT_EQ(crc16_arc(data.data(), static_cast<std::uint8_t>(n)),
                      reference_crc16_arc(data))
                << round;
        }
    }
}

TEST(Checksums, ArcFrameCheckRejectsSwappedCrcBytes) {
    std::vector<std::uint8_t> frame = {0x10, 0x10, 0x06, 0x0C, 0x04, '1', '2', '3', '4'};
    const std::uint16_t crc = crc16_arc(frame.data(), static_cast<std::uint8_t>(frame.size()));
    const auto hi = static_cast<std::uint8_t>(crc >> 8);
    const auto lo = static_cast<std::uint8_t>(crc & 0xFF);
    ASSERT_NE(hi, lo);
    frame.push_back(hi);
    frame.push_back(lo);
    const auto body = static_cast<std::uint8_t>(frame.size() - 2);
    EXPECT_EQ(crc16_arc(frame.data(), body), (frame[body] << 8) | frame[body + 1]);
    std::swap(frame[body], frame[body + 1]);
    EXPECT_NE(crc16_arc(frame.data(), body), (frame[body] << 8) | frame[body + 1]);
}
