#include "e2e_fixture.h"

#include "configuration_read.h"
#include "edit_combo_box.h"

#include <QPushButton>

#include <string>
#include <vector>

namespace {

// The transfers of a healthy write, in order: each one a single request to the detector.
constexpr int get_info = 0;
constexpr int first_single_read = 1;     // 13 of them
constexpr int first_segment_read = 14;   // 16
constexpr int segment_erase = 30;        // 1
constexpr int first_pair_write = 31;     // 16
constexpr int backup_erase = 47;         // 1
constexpr int first_parameter_read = 48; // 3
constexpr int first_read_back = 51;      // 16
constexpr int transfers = 67;

enum class Loss { unplugged, dead_detector };

struct Fault_point {
    Loss loss;
    int transfer;
};

std::string name_of(const ::testing::TestParamInfo<Fault_point>& info) {
    return std::string(info.param.loss == Loss::unplugged ? "unplug_at_" : "dead_from_") +
           std::to_string(info.param.transfer);
}

// The communication message of a read whose requests from `transfer` on are all lost, each
// lost read ending with `status`.
std::string lost_read_message(int transfer, int status) {
    std::array<int, Configuration_read::kept_statuses> statuses{};
    for (int read = 0; read < 8; ++read) {
        statuses[static_cast<std::size_t>(read)] =
            first_single_read + read >= transfer ? status : 0;
    }
    return Configuration_read::communication_message(statuses);
}

// What the user is told when the link is lost for good at `transfer`.
std::vector<std::string> expected_messages(int transfer, int status) {
    if (transfer == get_info) {
        return {no_detector};
    }
    if (transfer < first_segment_read) {
        // The read's message gave time to swap the detector; one that does not answer cannot
        // be confirmed.
        return {lost_read_message(transfer, status), detector_silent};
    }
    if (transfer < segment_erase) {
        return {read_error};
    }
    if (transfer == segment_erase) {
        return {erase_error};
    }
    if (transfer < backup_erase) {
        // Before the repetition the message announces, the detector must say who it is; it
        // cannot, so nothing is erased.
        return {write_repeated, detector_silent};
    }
    if (transfer == backup_erase) {
        return {backup_error};
    }
    return {read_error};
}

class Write_losing_the_link : public E2e_test, public ::testing::WithParamInterface<Fault_point> {
protected:
    int lost_status() const { return GetParam().loss == Loss::unplugged ? 4 : 1; }

    void lose_link_at(Sim_detector& detector, int transfer) {
        if (GetParam().loss == Loss::unplugged) {
            bench.dongle().unplug_after(static_cast<std::uint32_t>(transfer));
        } else {
            detector.arm(Sim_detector::Fault::no_reply,
                         Sim_fault_schedule::after(static_cast<std::uint32_t>(transfer)));
        }
    }

    void restore_link(Sim_detector& detector) {
        bench.plug_dongle();
        detector.disarm(Sim_detector::Fault::no_reply);
    }
};

TEST_P(Write_losing_the_link, tells_the_user_and_a_later_write_restores_the_whole_segment) {
    const int transfer = GetParam().transfer;
    Sim_detector::Identity identity;
    identity.wid = {0x2417, static_cast<std::uint16_t>(0x100 + transfer)};
    Sim_detector& detector = plug(Sim_detector::configured(identity, {}));
    const Segment before = segment_of(detector);
    const std::array<std::uint16_t, 2> ur = detector.pair(Sim_detector::ur_address);
    form().Button_set_alarmClick();
    form().ComboBox_address_1->setCurrentIndex(21);
    const DetectorConfig wanted = form().config_from_controls();
    const Segment after = written_segment(before, wanted);

    lose_link_at(detector, transfer);
    form().Button_send_to_ktr27->click();

    EXPECT_EQ(messages, expected_messages(transfer, lost_status()));
    const Segment now_held = segment_of(detector);
    if (transfer <= segment_erase) {
        EXPECT_EQ(now_held, before) << "untouched";
    } else if (transfer < backup_erase) {
        const int pairs_written = transfer - first_pair_write;
        for (int i = 0; i < 32; ++i) {
            const std::uint16_t expected =
                i < 2 * pairs_written ? after[static_cast<std::size_t>(i)] : 0xFFFF;
            EXPECT_EQ(now_held[static_cast<std::size_t>(i)], expected) << "word " << i;
        }
    } else {
        EXPECT_EQ(now_held, after) << "fully written";
    }
    EXPECT_EQ(detector.flash().segment_erased(Sim_detector::backup_address),
              transfer > backup_erase);
    EXPECT_EQ(detector.pair(Sim_detector::ur_address), ur);
    EXPECT_TRUE(form().Button_send_to_ktr27->isEnabled());
    EXPECT_TRUE(form().Button_read_ktr27->isEnabled());
    EXPECT_FALSE(progress().isVisible());

    restore_link(detector);
    messages.clear();
    form().Button_send_to_ktr27->click();

    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), write_done);
    for (std::size_t i = 0; i + 1 < messages.size(); ++i) {
        EXPECT_EQ(messages[i], crc_error) << "a partly written segment fails its checksum";
    }
    EXPECT_EQ(segment_of(detector), after);
    EXPECT_EQ(detector.pair(Sim_detector::ur_address), ur);
    EXPECT_TRUE(detector.flash().segment_erased(Sim_detector::backup_address));
    EXPECT_FALSE(form().kept_segments.holds(identity.wid));
}

std::vector<Fault_point> every_transfer(Loss loss) {
    std::vector<Fault_point> points;
    for (int transfer = 0; transfer < transfers; ++transfer) {
        points.push_back({loss, transfer});
    }
    return points;
}

INSTANTIATE_TEST_SUITE_P(Unplug, Write_losing_the_link,
                         ::testing::ValuesIn(every_transfer(Loss::unplugged)), name_of);
INSTANTIATE_TEST_SUITE_P(DeadDetector, Write_losing_the_link,
                         ::testing::ValuesIn(every_transfer(Loss::dead_detector)), name_of);

} // namespace
