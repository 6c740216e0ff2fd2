#include "hid_device.h"
#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string dongle_b = "HID\\VID_ABCD&PID_BBBB&REV_0100";

constexpr std::uint64_t pause_ms = 25;
constexpr std::uint64_t timed_out_ms = pause_ms + 250; // the pause and 250 poll sleeps

class Hid_exchange : public Sim_fixture {
protected:
    Hid_exchange() : dongle(add(dongle_b)) {
        HID_device::set_log_observer([this](const std::string& text) { log.push_back(text); });
        dongle.set_behaviour(&answering);
        EXPECT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
        log.clear();
    }
    ~Hid_exchange() override { HID_device::set_log_observer(nullptr); }

    // A receive's destination, filled with a value the transfer must overwrite.
    static Sim_report stale() {
        Sim_report r;
        r.fill(0xEE);
        return r;
    }
    static bool all_zero(const Sim_report& r) {
        return std::all_of(r.begin(), r.end(), [](std::uint8_t b) { return b == 0; });
    }

    Sim_hid_device& dongle;
    Inverting_behaviour answering;
    HID_device device;
    std::vector<std::string> log;
};

TEST_F(Hid_exchange, send_puts_report_id_0_and_the_64_bytes_on_the_wire) {
    const Sim_report data = pattern(0xF0);
    ASSERT_TRUE(device.send(data.data(), false));
    ASSERT_EQ(dongle.written_wire().size(), 1u);
    const std::vector<std::uint8_t>& wire = dongle.written_wire().front();
    ASSERT_EQ(wire.size(), 65u);
    EXPECT_EQ(wire[0], 0);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), wire.begin() + 1));
    ASSERT_EQ(answering.seen.size(), 1u);
    EXPECT_EQ(answering.seen.front(), data);
}

TEST_F(Hid_exchange, an_answered_transaction_costs_the_pauses_and_one_poll_sleep_each) {
    const Sim_report request = pattern(3);
    Sim_report answer = stale();
    ASSERT_TRUE(device.send(request.data(), false));
    EXPECT_EQ(clock.now_ms(), pause_ms + 1);
    ASSERT_TRUE(device.receive(answer.data(), false));
    EXPECT_EQ(clock.now_ms(), 2 * (pause_ms + 1));
    EXPECT_EQ(answer, Inverting_behaviour::inverted(request));
    EXPECT_EQ(os.open_events(), 0);
    EXPECT_EQ(os.pending_transfers(), 0);
}

TEST_F(Hid_exchange, traced_transaction_hands_five_texts_to_the_hook) {
    const Sim_report request = pattern(0);
    Sim_report answer{};
    ASSERT_TRUE(device.send(request.data(), true));
    ASSERT_TRUE(device.receive(answer.data(), true));
    EXPECT_EQ(log, (std::vector<std::string>{"HID device sending...", "OK [65]",
                                             "HID device receiving...",
                                             "HID device receiving counter = 1", "OK [65]"}));
}

TEST_F(Hid_exchange, untraced_transfers_compose_no_texts) {
    const Sim_report request = pattern(0);
    Sim_report answer{};
    device.send(request.data(), false);
    device.receive(answer.data(), false);
    dongle.set_behaviour(nullptr);
    device.receive(answer.data(), false);
    EXPECT_TRUE(log.empty());
}

TEST_F(Hid_exchange, a_late_answer_within_the_limit_is_taken) {
    answering.delay_ms = 100;
    const Sim_report request = pattern(9);
    Sim_report answer = stale();
    ASSERT_TRUE(device.send(request.data(), false));
    const std::uint64_t sent = clock.now_ms();
    ASSERT_TRUE(device.receive(answer.data(), true));
    EXPECT_EQ(answer, Inverting_behaviour::inverted(request));
    // Ready 100 ms after the write: the read starts 25 ms after `sent`, which is 1 ms after the
    // write, so the answer shows at look 100 - 1 - 25 + 1.
    EXPECT_EQ(log[1], "HID device receiving counter = 75");
    EXPECT_EQ(clock.now_ms(), sent + pause_ms + 75);
}

TEST_F(Hid_exchange, a_read_never_answered_is_cancelled_after_250_looks) {
    dongle.set_behaviour(nullptr);
    Sim_report answer = stale();
    EXPECT_FALSE(device.receive(answer.data(), true));
    EXPECT_EQ(clock.now_ms(), timed_out_ms);
    EXPECT_TRUE(all_zero(answer));
    EXPECT_EQ(os.pending_transfers(), 0);
    EXPECT_EQ(os.cancelled_transfers(), 1);
    EXPECT_EQ(os.open_events(), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"HID device receiving...",
                                             "HID device receiving counter = 251", "Error [0]"}));
}

TEST_F(Hid_exchange, the_251st_look_does_not_rescue_a_transfer) {
    // Ready exactly when the look past the limit is taken, and one look earlier.
    struct Case {
        std::uint32_t ready_after_start_ms;
        bool received;
    };
    for (const Case c : {Case{274, true}, Case{275, false}}) {
        SCOPED_TRACE(c.ready_after_start_ms);
        const std::uint64_t start = clock.now_ms();
        dongle.queue_input_report(pattern(1), c.ready_after_start_ms);
        Sim_report answer{};
        EXPECT_EQ(device.receive(answer.data(), false), c.received);
        dongle.clear_input_reports();
        // Both cost the same time: the last sleep of one is the other's cancelling look.
        EXPECT_EQ(clock.now_ms() - start, timed_out_ms);
    }
}

TEST_F(Hid_exchange, a_write_the_device_never_takes_is_cancelled_after_250_looks) {
    dongle.set_accepts_output(false);
    const Sim_report request = pattern(0);
    EXPECT_FALSE(device.send(request.data(), true));
    EXPECT_EQ(clock.now_ms(), timed_out_ms);
    EXPECT_TRUE(dongle.written_wire().empty());
    EXPECT_EQ(os.pending_transfers(), 0);
    EXPECT_EQ(os.cancelled_transfers(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"HID device sending...", "Error [0]"}));
}

TEST_F(Hid_exchange, transfers_refused_after_unplugging_fail_at_the_limit) {
    os.unplug(dongle);
    const Sim_report request = pattern(0);
    Sim_report answer = stale();
    EXPECT_FALSE(device.send(request.data(), false));
    EXPECT_EQ(clock.now_ms(), timed_out_ms);
    EXPECT_FALSE(device.receive(answer.data(), false));
    EXPECT_EQ(clock.now_ms(), 2 * timed_out_ms);
    EXPECT_TRUE(all_zero(answer));
    EXPECT_TRUE(dongle.written_wire().empty());
    EXPECT_EQ(os.pending_transfers(), 0);
}

TEST_F(Hid_exchange, a_replugged_dongle_stays_unreachable_through_the_old_handles) {
    os.unplug(dongle);
    os.plug(dongle);
    const Sim_report request = pattern(0);
    EXPECT_FALSE(device.send(request.data(), false));
    EXPECT_TRUE(dongle.written_wire().empty());
}

TEST_F(Hid_exchange, a_read_ended_by_unplugging_returns_true_with_zero_bytes) {
    dongle.set_behaviour(nullptr);
    os.at(100, [this] { os.unplug(dongle); });
    Sim_report answer = stale();
    EXPECT_TRUE(device.receive(answer.data(), true));
    EXPECT_TRUE(all_zero(answer));
    EXPECT_EQ(clock.now_ms(), 101u);
    EXPECT_EQ(log.back(), "OK [0]");
}

TEST_F(Hid_exchange, an_old_answer_is_not_left_in_the_destination_by_a_failed_read) {
    Sim_report answer{};
    const Sim_report request = pattern(5);
    ASSERT_TRUE(device.send(request.data(), false));
    ASSERT_TRUE(device.receive(answer.data(), false));
    EXPECT_FALSE(all_zero(answer));
    EXPECT_FALSE(device.receive(answer.data(), false));
    EXPECT_TRUE(all_zero(answer));
}

class Hid_unsearched : public Sim_fixture {};

TEST_F(Hid_unsearched, transfers_through_a_never_searched_device_fail) {
    add(dongle_b);
    HID_device device;
    const Sim_report request = pattern(0);
    Sim_report answer;
    answer.fill(0x55);
    EXPECT_FALSE(device.send(request.data(), false));
    EXPECT_FALSE(device.receive(answer.data(), false));
    EXPECT_TRUE(std::all_of(answer.begin(), answer.end(), [](std::uint8_t b) { return b == 0; }));
    // The plain form fails at once: only the two pauses pass.
    EXPECT_EQ(clock.now_ms(), 2 * pause_ms);
}

TEST_F(Hid_unsearched, the_plain_form_moves_reports_without_polling) {
    Sim_hid_device& dongle = add(dongle_b);
    Inverting_behaviour answering;
    dongle.set_behaviour(&answering);
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", false));
    const Sim_report request = pattern(7);
    Sim_report answer{};
    ASSERT_TRUE(device.send(request.data(), false));
    ASSERT_TRUE(device.receive(answer.data(), false));
    EXPECT_EQ(answer, Inverting_behaviour::inverted(request));
    EXPECT_EQ(clock.now_ms(), 2 * pause_ms);
    EXPECT_EQ(os.open_events(), 0);
}

} // namespace
