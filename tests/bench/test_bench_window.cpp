#include "bench_window.h"
#include "detector_group.h"
#include "dongle_group.h"
#include "memory_view.h"
#include "panel_group.h"
#include "sim_bench.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace {

using Fault = Sim_detector::Fault;

Sim_detector_bytes get_info() {
    return Sim_detector_message::make(0xFF, Sim_detector_message::get_info, 0, 0, 0);
}

class BenchWindow : public ::testing::Test {
protected:
    Sim_bench bench;
    Bench_window window{bench};
    Detector_group& detector = *window.detector;
    Panel_group& panel = *window.panel;
    Memory_view& memory = *window.memory;

    Sim_detector* socket() { return bench.dongle().detector(); }

    QCheckBox* fault_box(Fault fault) {
        for (const auto& [each, box] : detector.fault_boxes) {
            if (each == fault) {
                return box;
            }
        }
        return nullptr;
    }

    // The table cell that shows the word at `address`.
    QTableWidgetItem* cell(std::uint16_t address) {
        for (int row = 0; row < memory.table->rowCount(); ++row) {
            for (int column = 0; column < Memory_view::words_per_row; ++column) {
                if (Memory_view::address_of(row, column) == address) {
                    return memory.table->item(row, column);
                }
            }
        }
        return nullptr;
    }
};

TEST_F(BenchWindow, DongleButtonsPlugAndUnplugTheDongle) {
    EXPECT_FALSE(bench.dongle().plugged());
    EXPECT_FALSE(window.dongle->unplug_button->isEnabled());
    window.dongle->plug_button->click();
    EXPECT_TRUE(bench.dongle().plugged());
    EXPECT_FALSE(window.dongle->plug_button->isEnabled());
    window.dongle->unplug_button->click();
    EXPECT_FALSE(bench.dongle().plugged());
}

TEST_F(BenchWindow, DongleFaultListArmsOnlyTheChosenFault) {
    window.dongle->fault_list->setCurrentIndex(1); // no reply
    EXPECT_TRUE(bench.dongle().faults().strikes(Sim_dongle::Fault::no_reply));
    window.dongle->fault_list->setCurrentIndex(5); // reply CRC damaged
    EXPECT_FALSE(bench.dongle().faults().strikes(Sim_dongle::Fault::no_reply));
    EXPECT_TRUE(bench.dongle().faults().strikes(Sim_dongle::Fault::bad_crc));
    window.dongle->fault_list->setCurrentIndex(0);
    EXPECT_FALSE(bench.dongle().faults().strikes(Sim_dongle::Fault::bad_crc));
}

TEST_F(BenchWindow, PlugFreshIntoAnEmptySocketUsesTheSettings) {
    detector.version_spin->setValue(45);
    detector.info_edit->setText(QStringLiteral("0x1a0"));
    detector.fresh_button->click();
    ASSERT_NE(socket(), nullptr);
    EXPECT_EQ(socket()->version(), 45);
    EXPECT_EQ(socket()->info_word(), 0x1A0);
    EXPECT_FALSE(socket()->config_crc_valid());

    detector.detach_button->click();
    detector.configured_radio->click();
    detector.fresh_button->click();
    ASSERT_NE(socket(), nullptr);
    EXPECT_TRUE(socket()->config_crc_valid());
}

TEST_F(BenchWindow, PlugFreshSwapsAfterAGapWithAnotherDetector) {
    detector.set_swap_gap_ms(0);
    detector.fresh_button->click();
    Sim_detector* first = socket();
    ASSERT_NE(first, nullptr);

    detector.fresh_button->click();
    // The socket stays empty until the gap is over, so the monitor sees the old one go.
    EXPECT_EQ(socket(), nullptr);
    EXPECT_FALSE(detector.attach_button->isEnabled());
    QCoreApplication::processEvents();
    ASSERT_NE(socket(), nullptr);
    EXPECT_NE(socket(), first);
    EXPECT_EQ(socket()->pair(Sim_detector::wid_address)[1],
              first->pair(Sim_detector::wid_address)[1] + 1);
}

TEST_F(BenchWindow, DetachThenAttachPutsTheSameDetectorBack) {
    detector.fresh_button->click();
    Sim_detector* first = socket();
    first->set_word(0x1040, 0x1234);
    detector.detach_button->click();
    EXPECT_EQ(socket(), nullptr);
    detector.attach_button->click();
    EXPECT_EQ(socket(), first);
    EXPECT_EQ(socket()->word(0x1040), 0x1234);
}

TEST_F(BenchWindow, AttachWithNothingTakenOutBringsANewDetector) {
    detector.attach_button->click();
    ASSERT_NE(socket(), nullptr);
    EXPECT_EQ(socket()->pair(Sim_detector::wid_address)[1], Detector_factory::first_number);
    EXPECT_FALSE(detector.attach_button->isEnabled());
}

TEST_F(BenchWindow, VersionAndInformationWordFollowTheControlsLive) {
    detector.fresh_button->click();
    detector.version_spin->setValue(49);
    EXPECT_EQ(socket()->version(), 49);
    detector.info_edit->selectAll();
    QTest::keyClicks(detector.info_edit, QStringLiteral("0x0"));
    EXPECT_EQ(socket()->info_word(), 0);
}

TEST_F(BenchWindow, FaultBoxesArmTheDetectorInTheSocketAndFollowItToTheNext) {
    detector.set_swap_gap_ms(0);
    detector.fresh_button->click();
    ASSERT_TRUE(socket()->handle_request(get_info()));
    fault_box(Fault::no_reply)->click();
    EXPECT_FALSE(socket()->handle_request(get_info()));

    detector.fresh_button->click();
    QCoreApplication::processEvents();
    ASSERT_NE(socket(), nullptr);
    EXPECT_FALSE(socket()->handle_request(get_info())) << "the ticked fault holds for the next";
    fault_box(Fault::no_reply)->click();
    EXPECT_TRUE(socket()->handle_request(get_info()));
}

TEST_F(BenchWindow, PoweredBoxSwitchesTheDetector) {
    detector.fresh_button->click();
    detector.powered_box->click();
    EXPECT_FALSE(socket()->powered());
    EXPECT_FALSE(socket()->handle_request(get_info()));
    detector.powered_box->click();
    EXPECT_TRUE(socket()->powered());
}

TEST_F(BenchWindow, LoopDetectorsAreAddedAndRemovedAtTheirAddresses) {
    panel.address_spin->setValue(3);
    panel.add_button->click();
    panel.address_spin->setValue(17);
    panel.add_button->click();
    ASSERT_NE(bench.loop().at(3), nullptr);
    ASSERT_NE(bench.loop().at(17), nullptr);
    EXPECT_EQ(panel.loop_list->count(), 2);

    panel.loop_list->setCurrentRow(0);
    panel.remove_button->click();
    EXPECT_EQ(bench.loop().at(3), nullptr);
    EXPECT_NE(bench.loop().at(17), nullptr);
    EXPECT_EQ(panel.loop_list->count(), 1);
    EXPECT_EQ(panel.loop_detectors().size(), 1u);
}

TEST_F(BenchWindow, PanelPasswordAndModuleButtons) {
    panel.plug_button->click();
    EXPECT_TRUE(bench.module().plugged());
    panel.password_edit->setText(QStringLiteral("5678"));
    const auto refused = bench.panel().handle(Sim_panel::code_password, {0x04, '1', '2', '3', '4'});
    ASSERT_EQ(refused.data.size(), 1u);
    EXPECT_EQ(refused.data[0], Sim_panel::access_denied);
    const auto granted = bench.panel().handle(Sim_panel::code_password, {0x04, '5', '6', '7', '8'});
    ASSERT_EQ(granted.data.size(), 1u);
    EXPECT_EQ(granted.data[0], Sim_panel::access_granted);
    panel.unplug_button->click();
    EXPECT_FALSE(bench.module().plugged());
}

TEST_F(BenchWindow, LoginRequiredBoxDecidesWhetherThePanelAnswersBeforeThePassword) {
    EXPECT_TRUE(bench.panel().handle(Sim_panel::code_scan_bitmap, {}).error)
        << "the bench's panel asks for the password first";
    panel.login_box->click();
    EXPECT_FALSE(bench.panel().handle(Sim_panel::code_scan_bitmap, {}).error);
}

TEST(MemoryViewLayout, CellAddresses) {
    EXPECT_EQ(Memory_view::address_of(0, 0), 0x1000);
    EXPECT_EQ(Memory_view::address_of(0, 7), 0x100E);
    EXPECT_EQ(Memory_view::address_of(8, 0), 0x1080);
    EXPECT_EQ(Memory_view::address_of(15, 7), 0x10FE);
    EXPECT_EQ(Memory_view::address_of(16, 0), 0xFC00);
    EXPECT_EQ(Memory_view::address_of(47, 7), 0xFDFE);
}

TEST_F(BenchWindow, MemoryViewShowsTheSocketDetectorAndMarksChanges) {
    window.memory->refresh();
    EXPECT_EQ(cell(0x1040)->text(), QStringLiteral("----"));

    detector.configured_radio->click();
    detector.fresh_button->click();
    memory.refresh();
    EXPECT_EQ(cell(0x1040)->text(), QStringLiteral("4180"));
    EXPECT_EQ(cell(0xFC00)->text(), QStringLiteral("4180")) << "the backup copy";
    const QColor tint = cell(0x1040)->background().color();
    const QColor plain = cell(0x1090)->background().color();
    EXPECT_NE(tint, plain);
    EXPECT_NE(cell(0x1002)->background().color(), plain) << "UR is a parameter pair";

    socket()->set_word(0x1042, 0x0007);
    memory.refresh();
    EXPECT_EQ(cell(0x1042)->text(), QStringLiteral("0007"));
    const QColor changed = cell(0x1042)->background().color();
    EXPECT_NE(changed, tint);
    for (int i = 0; i < Memory_view::changed_refreshes; ++i) {
        memory.refresh();
    }
    EXPECT_EQ(cell(0x1042)->background().color(), tint);
}

TEST_F(BenchWindow, MemoryViewSwitchesToALoopDetectorWithoutMarkingEverything) {
    detector.fresh_button->click();
    detector.configured_radio->click();
    panel.address_spin->setValue(9);
    panel.add_button->click();
    ASSERT_EQ(memory.detector_list->count(), 2);
    bench.loop().at(9)->set_word(0x1044, 0x0042);

    memory.detector_list->setCurrentIndex(1);
    EXPECT_EQ(memory.shown(), bench.loop().at(9));
    EXPECT_EQ(cell(0x1044)->text(), QStringLiteral("0042"));
    EXPECT_EQ(cell(0x1044)->background().color(), cell(0x1042)->background().color())
        << "only words that change while shown are marked";

    // Removing the shown detector falls back to the socket.
    panel.loop_list->setCurrentRow(0);
    panel.remove_button->click();
    EXPECT_EQ(memory.detector_list->count(), 1);
    EXPECT_EQ(memory.shown(), socket());
}

// Placed beside a main window on a screen lower than all of its devices, the window keeps its
// bottom line on the screen and its devices scroll instead.
TEST_F(BenchWindow, StaysOnALowScreenAndScrollsItsDevices) {
    const QRect available = window.screen()->availableGeometry();
    QWidget main_window;
    main_window.resize(754, 671);
    main_window.move(available.left(), available.bottom() - 700);
    main_window.show();
    window.show();
    window.place_beside(main_window);
    EXPECT_LE(window.frameGeometry().bottom(), available.bottom());
    EXPECT_GE(window.frameGeometry().top(), available.top());

    QWidget* last = panel.state_label;
    window.device_scroll->ensureWidgetVisible(last);
    const QPoint bottom = last->mapTo(window.device_scroll->viewport(), last->rect().bottomLeft());
    EXPECT_LE(bottom.y(), window.device_scroll->viewport()->height());
}

} // namespace
