// The link over the simulated dongle and detector: healthy operations with their whole trace
// files, the failure situations of a transaction, broadcasts, the shared CMPL value and the
// trace of the connection monitor's cycles.
#include "checksums.h"
#include "link_test_env.h"
#include "msp430_bootloader.h"
#include "sim_detector.h"
#include "sim_detector_message.h"
#include "sim_dongle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::vector<std::string> opening = {"HID: Creating HID devices...",
                                          "HID: Connecting to device B...",
                                          "HID: Connecting to device B...OK"};
const std::string closing = "HID: Deleting HID devices...";

std::vector<std::string> session(std::vector<std::string> middle) {
    std::vector<std::string> lines = opening;
    lines.insert(lines.end(), middle.begin(), middle.end());
    lines.push_back(closing);
    return lines;
}

// "tx: " line of a request with detector address 255 and CMPL 2.
std::string tx_line(std::uint8_t command, std::uint16_t address, std::uint16_t first = 0,
                    std::uint16_t second = 0) {
    std::uint8_t r[16] = {0x0A,
                          0xFF,
                          command,
                          static_cast<std::uint8_t>(address),
                          static_cast<std::uint8_t>(address >> 8),
                          static_cast<std::uint8_t>(first),
                          static_cast<std::uint8_t>(first >> 8),
                          static_cast<std::uint8_t>(second),
                          static_cast<std::uint8_t>(second >> 8),
                          0,
                          0x01,
                          0xF4,
                          0x02};
    r[9] = crc8_maxim(&r[1], 8);
    return "tx: " + hex16(r);
}

// "rx: " line of a dongle reply carrying `answer`; the dongle leaves the rest of the report 0.
std::string rx_line(const Sim_detector_bytes& answer) {
    std::uint8_t r[16] = {0x0B};
    std::copy(answer.begin(), answer.end(), r + 1);
    return "rx: " + hex16(r);
}

std::string rx_read(std::uint16_t address, std::uint16_t first, std::uint16_t second) {
    return rx_line(Sim_detector_message::make(0, 0xBB, address, first, second));
}

class Bench : public Link_test {
protected:
    Bench() { dongle.attach(&detector); }

    Sim_detector::Config config() const {
        Sim_detector::Config c;
        c.options1 = 0x4183;
        c.address = 17;
        return c;
    }

    Sim_dongle dongle{os};
    Sim_detector detector = Sim_detector::configured(52, 0x21, config());
};

TEST_F(Bench, HealthyGetInfo) {
    std::uint32_t version = 0;
    std::uint32_t info = 0;
    {
        MSP430_bootloader bootloader(2);
        ASSERT_TRUE(bootloader.connect("B"));
        EXPECT_EQ(bootloader.get_info(version, info), 0);
    }
    EXPECT_EQ(version, 52u);
    EXPECT_EQ(info, 0x21u);
    EXPECT_EQ(read_bytes("msp430_log.txt"),
              as_trace(session({"msp430 get info", "OK at get info"})));
}

TEST_F(Bench, HealthyRead) {
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    {
        MSP430_bootloader bootloader(2);
        ASSERT_TRUE(bootloader.connect("B"));
        EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), 0);
    }
    EXPECT_EQ(first, 0x4183);
    EXPECT_EQ(second, 17);
    EXPECT_EQ(read_bytes("msp430_log.txt"),
              as_trace(session({tx_line(0xBB, 0x1040), rx_read(0x1040, 0x4183, 17),
                                "OK reading 2 words (0x4183, 0x0011) at address 0x1040"})));
}

TEST_F(Bench, HealthyEraseWriteAndReadBack) {
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    {
        MSP430_bootloader bootloader(2);
        ASSERT_TRUE(bootloader.connect("B"));
        EXPECT_EQ(bootloader.erase_sector(0x1040), 0);
        EXPECT_EQ(bootloader.write_2_words(0x1040, 0xABCD, 0x0102), 0);
        EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), 0);
        EXPECT_EQ(bootloader.erase_sector(0xFC00), 0);
    }
    EXPECT_EQ(detector.word(0x1040), 0xABCD);
    EXPECT_EQ(detector.word(0x1042), 0x0102);
    EXPECT_EQ(detector.word(0x1044), 0xFFFF); // the rest of the segment stays erased
    EXPECT_TRUE(detector.flash().segment_erased(0xFC00));
    EXPECT_EQ(first, 0xABCD);
    EXPECT_EQ(second, 0x0102);
    EXPECT_EQ(
        read_bytes("msp430_log.txt"),
        as_trace(session(
            {"OK ereasing sector 8388520", "OK writing 2 words (0xabcd, 0x0102) at address 0x1040",
             tx_line(0xBB, 0x1040), rx_read(0x1040, 0xABCD, 0x0102),
             "OK reading 2 words (0xabcd, 0x0102) at address 0x1040", "OK ereasing sector 30"})));
}

TEST_F(Bench, DongleNotConnected) {
    dongle.unplug();
    MSP430_bootloader bootloader(2);
    ASSERT_FALSE(bootloader.connect("B"));
    dongle.plug();
    std::uint16_t first = 1;
    std::uint16_t second = 2;
    EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), 4);
    EXPECT_EQ(dongle.request_count(), 0u);
    EXPECT_EQ(trace_lines(), (std::vector<std::string>{"HID: Creating HID devices...",
                                                       "HID: Connecting to device B...",
                                                       "HID: Error! Recreating device B..."}));
}

TEST_F(Bench, DongleUnpluggedSinceConnect) {
    MSP430_bootloader bootloader(2);
    ASSERT_TRUE(bootloader.connect("B"));
    dongle.unplug();
    const auto t0 = clock.now_ms();
    std::uint16_t first = 1;
    std::uint16_t second = 2;
    EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), 4);
    // Both refused transfers of each attempt wait the pause and the whole poll: 2 x 275 ms.
    EXPECT_EQ(clock.now_ms() - t0, 3u * 550u);
    EXPECT_EQ(first, 1);
    const std::string tx = tx_line(0xBB, 0x1040);
    const std::string rx = "rx: " + hex16(std::vector<std::uint8_t>(16, 0).data());
    std::vector<std::string> expected = opening;
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(), {"data error: ", tx, rx, "retry..."});
    }
    expected.push_back("usb data error reading 2 words at address 0x1040");
    EXPECT_EQ(trace_lines(), expected);
}

TEST_F(Bench, NoReply) {
    dongle.attach(nullptr);
    MSP430_bootloader bootloader(2);
    ASSERT_TRUE(bootloader.connect("B"));
    const auto t0 = clock.now_ms();
    std::uint16_t first = 1;
    std::uint16_t second = 2;
    EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), 1);
    // Per attempt a prompt send (25 + 1 ms) and a read that runs out (25 + 250 ms); the layer
    // adds no pause of its own.
    EXPECT_EQ(clock.now_ms() - t0, 3u * (26u + 275u));
    EXPECT_EQ(dongle.request_count(), 3u);
    const std::string tx = tx_line(0xBB, 0x1040);
    const std::string rx = "rx: " + hex16(std::vector<std::uint8_t>(16, 0).data());
    std::vector<std::string> expected = opening;
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(), {"data error: ", tx, rx, "retry..."});
    }
    expected.push_back("timeout error reading 2 words at address 0x1040");
    EXPECT_EQ(trace_lines(), expected);
}

TEST_F(Bench, BadCrcThreeTimes) {
    dongle.arm(Sim_dongle::Fault::bad_crc);
    MSP430_bootloader bootloader(2);
    ASSERT_TRUE(bootloader.connect("B"));
    std::uint16_t first = 1;
    std::uint16_t second = 2;
    EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), 3);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    const std::string tx = tx_line(0xBB, 0x1040);
    const std::string rx = rx_line(Sim_detector_message::with_bad_crc(
        Sim_detector_message::make(0, 0xBB, 0x1040, 0x4183, 17)));
    std::vector<std::string> expected = opening;
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(), {"CRC error: ", tx, rx, "retry..."});
    }
    expected.push_back("crc error reading 2 words at address 0x1040");
    EXPECT_EQ(trace_lines(), expected);
}

TEST_F(Bench, BadReplyThenGoodOne) {
    dongle.arm(Sim_dongle::Fault::bad_crc, Sim_fault_schedule::once());
    MSP430_bootloader bootloader(2);
    ASSERT_TRUE(bootloader.connect("B"));
    std::uint16_t first = 1;
    std::uint16_t second = 2;
    EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), 0);
    EXPECT_EQ(first, 0x4183);
    EXPECT_EQ(second, 17);
    const std::string tx = tx_line(0xBB, 0x1040);
    const Sim_detector_bytes good = Sim_detector_message::make(0, 0xBB, 0x1040, 0x4183, 17);
    std::vector<std::string> expected = opening;
    expected.insert(expected.end(),
                    {"CRC error: ", tx, rx_line(Sim_detector_message::with_bad_crc(good)),
                     "retry...", tx, rx_line(good),
                     "OK reading 2 words (0x4183, 0x0011) at address 0x1040"});
    EXPECT_EQ(trace_lines(), expected);
}

TEST_F(Bench, DetectorRejectsADamagedRequest) {
    dongle.arm(Sim_dongle::Fault::rejection);
    MSP430_bootloader bootloader(2);
    ASSERT_TRUE(bootloader.connect("B"));
    std::uint16_t first = 1;
    std::uint16_t second = 2;
    EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), 3);
    EXPECT_EQ(bootloader.write_2_words(0x1040, 0, 0), 3);
    EXPECT_EQ(bootloader.erase_sector(0x1040), 3);
    EXPECT_EQ(detector.word(0x1040), 0x4183);
    EXPECT_EQ(trace_lines().back(), "scan crc error ereasing sector 8388520");
}

TEST_F(Bench, WrongEchoIsADataError) {
    dongle.arm(Sim_dongle::Fault::wrong_echo);
    MSP430_bootloader bootloader(2);
    ASSERT_TRUE(bootloader.connect("B"));
    std::uint32_t version = 0;
    std::uint32_t info = 0;
    std::uint16_t first = 1;
    std::uint16_t second = 2;
    EXPECT_EQ(bootloader.get_info(version, info), 2);
    EXPECT_EQ(bootloader.read_2_words(0x1040, first, second), 2);
    EXPECT_EQ(bootloader.write_2_words(0x1040, 0x4183, 17), 2);
    const std::size_t before = trace_lines().size();
    EXPECT_EQ(bootloader.erase_sector(0x1040), 2);
    EXPECT_EQ(trace_lines().size(), before); // an erase with another echo traces nothing
    EXPECT_EQ(version, 0u);
    EXPECT_EQ(first, 1);
}

// The detector answers broadcasts and acts on them; the tool takes nothing from the answer.
TEST_F(Bench, BroadcastRequestsReachTheDetectorButAreNotJudged) {
    {
        MSP430_bootloader read_all(2, 0xFE);
        ASSERT_TRUE(read_all.connect("B"));
        std::uint16_t first = 1;
        std::uint16_t second = 2;
        const auto t0 = clock.now_ms();
        EXPECT_EQ(read_all.read_2_words(0x1040, first, second), 0);
        EXPECT_GE(clock.now_ms() - t0, 52u + 50u);
        EXPECT_EQ(first, 1);
        EXPECT_EQ(second, 2);
        const std::vector<std::string> lines = trace_lines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[lines.size() - 3],
                  "no data due to broadcast reading 2 words at address 0x1040");
        EXPECT_EQ(lines[lines.size() - 2].substr(0, 10), "tx: 0a fe ");
        EXPECT_EQ(lines[lines.size() - 1].substr(0, 10), "rx: 0b 00 ");
    }
    {
        MSP430_bootloader erase_all(2, 0xFA);
        ASSERT_TRUE(erase_all.connect("B"));
        EXPECT_EQ(erase_all.erase_sector(0x1040), 0);
        EXPECT_TRUE(detector.flash().segment_erased(0x1040));
        EXPECT_EQ(trace_lines().back(), "no scan data due to broadcast in ereasing sector 8388520");
    }
    {
        MSP430_bootloader write_all(2, 0xFB);
        ASSERT_TRUE(write_all.connect("B"));
        EXPECT_EQ(write_all.write_2_words(0x1040, 0x1111, 0x2222), 0);
        EXPECT_EQ(detector.word(0x1040), 0x1111);
        EXPECT_EQ(trace_lines().back(),
                  "no data due to broadcast writing 2 words at address 0x1040");
    }
    EXPECT_EQ(dongle.request_count(), 3u);
}

TEST_F(Bench, CmplOfTheNewestObjectTravelsInEveryRequest) {
    MSP430_bootloader first_object(2);
    ASSERT_TRUE(first_object.connect("B"));
    std::uint32_t version = 0;
    std::uint32_t info = 0;
    EXPECT_EQ(first_object.get_info(version, info), 0);
    EXPECT_EQ(dongle.last_cmpl(), 2);
    MSP430_bootloader second_object(31);
    EXPECT_EQ(first_object.get_info(version, info), 0);
    EXPECT_EQ(dongle.last_cmpl(), 31);
}

// The connection monitor makes one bootloader object per second; these are the lines each tick
// leaves in the trace.
class Monitor_cycle : public Bench {
protected:
    void tick() {
        MSP430_bootloader bootloader(2, 255);
        if (bootloader.connect("B")) {
            std::uint32_t version = 0;
            std::uint32_t info = 0;
            bootloader.get_info(version, info);
        }
    }
    std::vector<std::string> ticks(int count) {
        const std::size_t before = trace_lines().size();
        for (int i = 0; i < count; ++i) {
            tick();
            os_api().sleep_ms(1000);
        }
        const std::vector<std::string> all = trace_lines();
        return std::vector<std::string>(all.begin() + static_cast<long>(before), all.end());
    }
};

TEST_F(Monitor_cycle, WithoutDongleFourLinesPerSecond) {
    dongle.unplug();
    const std::vector<std::string> one = {
        "HID: Creating HID devices...", "HID: Connecting to device B...",
        "HID: Error! Recreating device B...", "HID: Deleting HID devices..."};
    std::vector<std::string> expected;
    for (int i = 0; i < 5; ++i) {
        expected.insert(expected.end(), one.begin(), one.end());
    }
    EXPECT_EQ(ticks(5), expected);
    EXPECT_EQ(os.open_file_handles(), 0);
    EXPECT_EQ(os.open_device_sets(), 0);
}

TEST_F(Monitor_cycle, WithDongleSixLinesPerSecondDetectorOrNot) {
    const std::vector<std::string> present = session({"msp430 get info", "OK at get info"});
    const std::vector<std::string> absent =
        session({"msp430 get info", "timeout error at get info"});
    std::vector<std::string> expected = present;
    expected.insert(expected.end(), present.begin(), present.end());
    EXPECT_EQ(ticks(2), expected);

    dongle.attach(nullptr);
    expected = absent;
    expected.insert(expected.end(), absent.begin(), absent.end());
    EXPECT_EQ(ticks(2), expected);
}

} // namespace
