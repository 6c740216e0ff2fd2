#include "hid_device_mcu.h"
#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

const std::string module_id = "HID\\VID_ABCD&PID_0003&REV_0200";

std::string dump(const Sim_report& bytes) {
    std::string line;
    for (std::size_t j = 0; j < bytes.size(); ++j) {
        line.append("[").append(std::to_string(j)).append("]");
        line.append(std::to_string(bytes[j])).append(" ");
    }
    return line;
}

bool all_zero(const Sim_report& r) {
    return std::all_of(r.begin(), r.end(), [](std::uint8_t b) { return b == 0; });
}

class Hid_mcu : public Sim_fixture {
protected:
    // Runs `body` and hands back what it wrote to standard output.
    template <typename Body> static std::string stdout_of(Body body) {
        testing::internal::CaptureStdout();
        body();
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(Hid_mcu, search_writes_its_steps_to_standard_output) {
    add("HID\\VID_ABCD&PID_BBBB");
    add(module_id);
    const std::string out = stdout_of([] {
        HID_device_MCU module;
        EXPECT_TRUE(module.search());
    });
    EXPECT_EQ(out, "HID device start...\n"
                   "Dynamic DLL load, setupapi.dll...OK"
                   "HID device searching...\n"
                   "HID device table destroy\n"
                   "HID device table load...OK\n"
                   "Interface index: 0\n"
                   "HID device interface data structure...OK\n"
                   "HID device reading device ID...OK\n"
                   "Device ID is: HID\\VID_ABCD&PID_BBBB\n"
                   "Interface index: 1\n"
                   "HID device interface data structure...OK\n"
                   "HID device reading device ID...OK\n"
                   "Device ID is: HID\\VID_ABCD&PID_0003&REV_0200\n"
                   "HID device found: VID_ABCD&PID_0003\n"
                   "HID device loading detail interface...OK\n"
                   "HID device creating write handle...OK\n"
                   "HID device creating read handle...OK\n"
                   "HID device stop...\n"
                   "HID device table destroy\n"
                   "\nDynamic DLL unload");
}

TEST_F(Hid_mcu, search_without_a_module_ends_with_could_not_find) {
    add("HID\\VID_ABCD&PID_BBBB");
    const std::string out = stdout_of([this] {
        HID_device_MCU module;
        EXPECT_FALSE(module.search());
        EXPECT_EQ(os.open_file_handles(), 0);
    });
    EXPECT_NE(out.find("Interface index: 1\n"
                       "HID device interface data structure...Error. Could not find the device.\n"),
              std::string::npos);
}

TEST_F(Hid_mcu, a_lower_case_module_id_is_found_and_the_first_of_two_is_opened) {
    Sim_hid_device& first = add("hid\\vid_abcd&pid_0003&rev_0200");
    Sim_hid_device& second = add(module_id);
    Inverting_behaviour answering;
    first.set_behaviour(&answering);
    stdout_of([&] {
        HID_device_MCU module;
        ASSERT_TRUE(module.search());
        const Sim_report request = pattern(0);
        Sim_report answer{};
        EXPECT_TRUE(module.exchange(request.data(), answer.data(), false));
    });
    EXPECT_EQ(first.written_wire().size(), 1u);
    EXPECT_TRUE(second.written_wire().empty());
}

class Hid_mcu_open : public Hid_mcu {
protected:
    Hid_mcu_open() : device(add(module_id)) {
        device.set_behaviour(&answering);
        stdout_of([this] {
            module = std::make_unique<HID_device_MCU>();
            EXPECT_TRUE(module->search());
        });
    }
    ~Hid_mcu_open() override {
        stdout_of([this] { module.reset(); });
    }

    Sim_hid_device& device;
    Inverting_behaviour answering;
    std::unique_ptr<HID_device_MCU> module;
};

TEST_F(Hid_mcu_open, a_traced_exchange_writes_four_lines_with_the_byte_dumps) {
    Sim_report request = pattern(0);
    request[0] = 0xF5;
    request[1] = 0x00;
    Sim_report answer{};
    const std::string out =
        stdout_of([&] { EXPECT_TRUE(module->exchange(request.data(), answer.data(), true)); });
    EXPECT_EQ(answer, Inverting_behaviour::inverted(request));
    EXPECT_EQ(out, "HID device sending...OK [65]\n" + dump(request) +
                       "\nHID device receiving...OK [65]\n" + dump(answer));
    EXPECT_EQ(out.substr(out.find('\n') + 1, 12), "[0]245 [1]0 ");
    // A prompt module costs one poll sleep per transfer and no pause.
    EXPECT_EQ(clock.now_ms(), 2u);
    EXPECT_EQ(os.open_events(), 0);
}

TEST_F(Hid_mcu_open, an_untraced_exchange_writes_nothing) {
    const Sim_report request = pattern(1);
    Sim_report answer{};
    EXPECT_EQ(stdout_of([&] { module->exchange(request.data(), answer.data(), false); }), "");
    ASSERT_EQ(device.written_wire().size(), 1u);
    EXPECT_EQ(device.written_wire().front()[0], 0);
    EXPECT_TRUE(
        std::equal(request.begin(), request.end(), device.written_wire().front().begin() + 1));
}

TEST_F(Hid_mcu_open, an_unanswered_exchange_fails_after_500_looks_for_the_read) {
    device.set_behaviour(nullptr);
    const Sim_report request = pattern(1);
    Sim_report answer;
    answer.fill(0x77);
    const std::string out =
        stdout_of([&] { EXPECT_FALSE(module->exchange(request.data(), answer.data(), true)); });
    EXPECT_TRUE(all_zero(answer));
    EXPECT_EQ(clock.now_ms(), 1u + 500u);
    EXPECT_EQ(os.pending_transfers(), 0);
    EXPECT_EQ(os.cancelled_transfers(), 1);
    EXPECT_NE(out.find("\nHID device receiving...Error [0]\n" + dump(answer)), std::string::npos);
    EXPECT_EQ(out.back(), ' ');
}

TEST_F(Hid_mcu_open, an_unplugged_module_refuses_both_transfers) {
    os.unplug(device);
    const Sim_report request = pattern(1);
    Sim_report answer;
    answer.fill(0x77);
    const std::string out =
        stdout_of([&] { EXPECT_FALSE(module->exchange(request.data(), answer.data(), true)); });
    EXPECT_TRUE(all_zero(answer));
    EXPECT_EQ(clock.now_ms(), 1000u);
    EXPECT_EQ(out.rfind("HID device sending...Error [0]\n", 0), 0u);
    EXPECT_NE(out.find("HID device receiving...Error [0]\n"), std::string::npos);
}

TEST_F(Hid_mcu_open, the_read_is_made_even_when_the_write_was_not_taken) {
    device.set_accepts_output(false);
    device.queue_input_report(pattern(0x40), 0);
    const Sim_report request = pattern(1);
    Sim_report answer{};
    stdout_of([&] { EXPECT_FALSE(module->exchange(request.data(), answer.data(), false)); });
    EXPECT_EQ(answer, pattern(0x40));
    EXPECT_EQ(clock.now_ms(), 500u + 1u);
}

TEST_F(Hid_mcu_open, a_read_ended_by_unplugging_counts_as_answered) {
    device.set_behaviour(nullptr);
    os.at(30, [this] { os.unplug(device); });
    const Sim_report request = pattern(1);
    Sim_report answer;
    answer.fill(0x77);
    stdout_of([&] { EXPECT_TRUE(module->exchange(request.data(), answer.data(), false)); });
    EXPECT_TRUE(all_zero(answer));
}

TEST_F(Hid_mcu_open, each_exchange_clears_the_previous_answer) {
    const Sim_report request = pattern(1);
    Sim_report answer{};
    stdout_of([&] { EXPECT_TRUE(module->exchange(request.data(), answer.data(), false)); });
    device.set_behaviour(nullptr);
    stdout_of([&] { EXPECT_FALSE(module->exchange(request.data(), answer.data(), false)); });
    EXPECT_TRUE(all_zero(answer));
}

} // namespace
