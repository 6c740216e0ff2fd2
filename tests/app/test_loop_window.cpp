#include "loop_plan_file.h"
#include "main_menu.h"
#include "record_database.h"
#include "sim_bench.h"
#include "tform_loop.h"
#include "tform_main.h"
#include "tform_pnx.h"
#include "user_message.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

Sim_detector::Config at(std::uint16_t basic) {
    Sim_detector::Config config;
    config.options1 = 0x4180 | 0x0020; // with a basic address
    config.address = basic;
    return config;
}

// The main window and the panel window over a simulated loop: 3 configured, 5 factory-fresh,
// 8 silent; logged in and scanned, the user's chosen detector 5.
class Loop_window : public testing::Test {
protected:
    void SetUp() override {
        previous = set_user_message_handler([this](const std::string& t) { told.push_back(t); });
        form.station_store.set_folder(records.path());
        Station_settings station = form.station_store.settings();
        station.station = QStringLiteral("Stanowisko 7");
        form.station_store.set_settings(station);
        bench.plug_module();
        const auto add = [this](std::uint8_t address, bool fresh) -> Sim_detector& {
            Sim_detector::Identity identity;
            identity.wid = {static_cast<std::uint16_t>(0x2400 + address), 0x0052};
            return bench.add_loop_detector(address,
                                           fresh ? Sim_detector::factory_fresh(identity)
                                                 : Sim_detector::configured(identity, at(address)));
        };
        d3 = &add(3, false);
        d5 = &add(5, true);
        add(8, false).arm(Sim_detector::Fault::no_reply);
        form.Form_pnx = &pnx;
        form.show();
        connect_panel();
    }
    void connect_panel() {
        pnx.medt_check_password->setFocus();
        pnx.medt_check_password->selectAll();
        QTest::keyClicks(pnx.medt_check_password, QStringLiteral("1234"));
        pnx.Button_connect->click();
        pnx.pnx_connection().choose_address("5");
    }
    void TearDown() override { set_user_message_handler(previous); }

    // Opens the loop window from the menu and works in it; returns once it has closed.
    void in_loop_window(const std::function<void(TForm_loop&)>& work) {
        QTimer::singleShot(0, &form, [&] {
            auto* window = form.findChild<TForm_loop*>();
            ASSERT_NE(window, nullptr);
            work(*window);
            window->Button_close->click();
        });
        form.menu->Action_loop->trigger();
    }
    void close_panel_window() {
        QTimer::singleShot(0, &pnx, &QDialog::accept);
        form.Button1Click();
    }

    static QStringList column(const TForm_loop& window, int column) {
        QStringList cells;
        for (int r = 0; r < window.Table_loop->rowCount(); ++r) {
            cells << window.Table_loop->item(r, column)->text();
        }
        return cells;
    }

    // Whether the detector holds `config` in its configuration words, with a sound checksum.
    static bool holds(const Sim_detector& detector, const DetectorConfig& config) {
        for (int i = 0; i < DetectorConfig::word_count; ++i) {
            if (detector.word(DetectorConfig::address_of(i)) != config.words()[i]) {
                return false;
            }
        }
        return detector.config_crc_valid();
    }

    QTemporaryDir records;
    Sim_bench bench;
    TForm_main form;
    TForm_pnx pnx;
    Sim_detector* d3 = nullptr;
    Sim_detector* d5 = nullptr;
    std::vector<std::string> told;
    User_message_handler previous;
};

TEST_F(Loop_window, OpensFromTheMenuOnceThePanelLinkIsOpenAndTheMonitorRestsMeanwhile) {
    EXPECT_FALSE(form.menu->Action_loop->isEnabled());
    close_panel_window();
    ASSERT_TRUE(form.menu->Action_loop->isEnabled());
    bool ticking_inside = true;
    in_loop_window([&](TForm_loop& window) {
        ticking_inside = form.Timer_dongle->isActive();
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Pętla PNX30"));
        window.Button_survey->click();
        EXPECT_EQ(window.Table_loop->verticalHeaderItem(0)->text(), QStringLiteral("Adres 3"));
        EXPECT_EQ(window.Table_loop->horizontalHeaderItem(1)->text(), QStringLiteral("Stan"));
        EXPECT_EQ(column(window, 1),
                  (QStringList{QStringLiteral("odczytana"), QStringLiteral("błąd sumy kontrolnej"),
                               QStringLiteral("brak odpowiedzi")}));
        EXPECT_EQ(window.ProgressBar_loop->text(), QStringLiteral("3 z 3"));
    });
    EXPECT_FALSE(ticking_inside);
    EXPECT_TRUE(form.Timer_dongle->isActive());
    EXPECT_EQ(pnx.detector_address(), 5);
    EXPECT_TRUE(told.empty());
}

TEST_F(Loop_window, APlanIsLoadedComparedAndTheDifferingDetectorsWritten) {
    close_panel_window();
    QTemporaryDir folder;
    const QString plan_path = folder.filePath(QStringLiteral("pętla.ktr27loop"));
    in_loop_window([&](TForm_loop& window) {
        window.Button_survey->click();
        window.Edit_object->setText(QStringLiteral("Hala Łęczyca"));
        ASSERT_TRUE(window.save_plan(plan_path));
    });
    // The plan as the designer left it: 3 blinks, 5 is configured, 8 keeps its address.
    Loop_plan_file::Loaded plan = Loop_plan_file::load(plan_path);
    ASSERT_TRUE(plan.plan);
    EXPECT_EQ(plan.plan->site.object, QStringLiteral("Hala Łęczyca"));
    ASSERT_EQ(plan.plan->detectors.size(), 1u); // only 3 was read whole
    plan.plan->detectors[3].options1 |= 0x0001;
    plan.plan->detectors[5] = plan.plan->detectors[3];
    plan.plan->detectors[5].set_addresses(5, std::nullopt, std::nullopt);
    plan.plan->detectors[5].options1 &= ~0x0001;
    plan.plan->detectors[8] = plan.plan->detectors[5];
    plan.plan->detectors[8].set_addresses(8, std::nullopt, std::nullopt);
    QString problem;
    ASSERT_TRUE(Loop_plan_file::save(plan_path, *plan.plan, problem));

    in_loop_window([&](TForm_loop& window) {
        ASSERT_TRUE(window.load_plan(plan_path));
        EXPECT_EQ(window.Edit_object->text(), QStringLiteral("Hala Łęczyca"));
        window.Button_survey->click();
        const QStringList states = column(window, Loop_table::plan_state);
        EXPECT_TRUE(states[0].startsWith(QStringLiteral("różni się: „")))
            << states[0].toStdString();
        EXPECT_EQ(states[2], QStringLiteral("brak na pętli"));
        window.Button_write_differing->click();
        EXPECT_EQ(column(window, Loop_table::plan_state).mid(0, 2),
                  (QStringList{QStringLiteral("zgodna"), QStringLiteral("zgodna")}));
        ASSERT_TRUE(window.export_csv(folder.filePath(QStringLiteral("pętla.csv"))));
    });
    EXPECT_EQ(d3->config().options1 & 0x0001, 0x0001);
    EXPECT_TRUE(d5->config_crc_valid());
    EXPECT_TRUE(told.empty());
    QFile csv(folder.filePath(QStringLiteral("pętla.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    EXPECT_TRUE(lines[0].startsWith("Adres,Stan,"));
    EXPECT_TRUE(lines[1].startsWith("3,odczytana,52,0021,2403 0052,"));
}

TEST_F(Loop_window, AClashIsNamedAndNothingWritten) {
    close_panel_window();
    in_loop_window([&](TForm_loop& window) {
        window.Button_survey->click();
        Loop_plan plan;
        DetectorConfig moved = *window.table().rows()[0].found;
        moved.set_addresses(5, std::nullopt, std::nullopt);
        plan.detectors[3] = moved;
        window.table().set_plan(plan);
        window.Table_loop->selectRow(0);
        window.Button_write_selected->click();
    });
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("zajmuje inna czujka"), std::string::npos) << told[0];
    EXPECT_EQ(d3->config().address, 3);
}

TEST_F(Loop_window, ADetectorWrittenWithANewAddressAnswersThereAndItsRowFollowsIt) {
    close_panel_window();
    in_loop_window([&](TForm_loop& window) {
        window.Button_survey->click();
        Loop_plan plan;
        DetectorConfig moved = *window.table().rows()[0].found;
        moved.set_addresses(12, std::nullopt, std::nullopt);
        plan.detectors[3] = moved;
        window.table().set_plan(plan);
        window.Table_loop->selectRow(0);
        window.Button_write_selected->click();
        window.Button_survey->click();
        EXPECT_EQ(window.Table_loop->verticalHeaderItem(2)->text(), QStringLiteral("Adres 12"));
        EXPECT_EQ(column(window, Loop_table::plan_state)[2], QStringLiteral("zgodna"));
    });
    EXPECT_EQ(d3->loop_address(), 12);
    EXPECT_TRUE(told.empty());
}

TEST_F(Loop_window, AModuleLostMidRunLeavesTheWindowUsableForTheNextRun) {
    close_panel_window();
    const auto all_enabled = [](const TForm_loop& window) {
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
            if (button->isEnabled() != (button != window.Button_cancel)) {
                return false;
            }
        }
        return true;
    };
    in_loop_window([&](TForm_loop& window) {
        bench.module().unplug_after(40); // within the second detector's read
        window.Button_survey->click();
        EXPECT_EQ(column(window, Loop_table::state),
                  (QStringList{QStringLiteral("odczytana"), QStringLiteral("nie odczytano"),
                               QStringLiteral("nie odczytano")}));
        EXPECT_TRUE(all_enabled(window));
    });
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("po 1 z 3 czujek; pozostałe nie zostały odczytane"), std::string::npos)
        << told[0];

    // As the message says: the module back in, "Rozłącz" and "Połącz" in the panel window.
    bench.plug_module();
    pnx.Button_disconnect->click();
    connect_panel();
    close_panel_window();
    in_loop_window([&](TForm_loop& window) {
        window.Button_survey->click();
        ASSERT_EQ(column(window, Loop_table::state)[0], QStringLiteral("odczytana"));
        Loop_plan plan;
        for (const int address : {3, 5, 8}) {
            plan.detectors[address] = *window.table().rows()[0].found;
            plan.detectors[address].set_addresses(address, std::nullopt, std::nullopt);
            plan.detectors[address].hc = 7;
        }
        window.table().set_plan(plan);
        bench.module().unplug_after(200); // within the second write
        window.Table_loop->selectAll();
        window.Button_write_selected->click();
        const QStringList writes = column(window, Loop_table::last_write);
        EXPECT_EQ(writes[0], QStringLiteral("Operacja przebiegła prawidłowo"));
        EXPECT_NE(writes[1], QStringLiteral("Operacja przebiegła prawidłowo"));
        EXPECT_EQ(writes[2], QStringLiteral("nie zapisano"));
        EXPECT_TRUE(all_enabled(window));
    });
    ASSERT_EQ(told.size(), 2u);
    EXPECT_NE(told[1].find("pozostałe nie zostały zapisane"), std::string::npos) << told[1];
}

TEST_F(Loop_window, TheMainWindowsConfigurationGoesToTheSelectedRowsEachKeepingItsAddress) {
    close_panel_window();
    form.Button_set_alarm->click();
    const DetectorConfig wanted = form.config_from_controls();
    in_loop_window([&](TForm_loop& window) {
        window.Button_survey->click();
        window.Table_loop->setSelectionMode(QAbstractItemView::MultiSelection);
        window.Table_loop->selectRow(0);
        window.Table_loop->selectRow(1);
        window.Button_set_from_main->click();
        const Loop_plan& plan = window.table().plan();
        ASSERT_EQ(plan.detectors.size(), 2u);
        for (const int address : {3, 5}) {
            DetectorConfig expected = wanted;
            expected.set_addresses(address, wanted.rop_address_given(), std::nullopt);
            EXPECT_EQ(plan.detectors.at(address), expected) << address;
        }
        EXPECT_TRUE(
            column(window, Loop_table::plan_state)[0].startsWith(QStringLiteral("różni się: „")));
    });
}

TEST_F(Loop_window, EveryControlHasANameAndIsReachedByTab) {
    close_panel_window();
    in_loop_window([&](TForm_loop& window) {
        std::vector<QWidget*> reached;
        QWidget* start = window.Edit_object;
        start->setFocus();
        QWidget* w = start;
        do {
            reached.push_back(w);
            w = w->nextInFocusChain();
        } while (w != start && reached.size() < 100);
        for (QWidget* control : window.findChildren<QWidget*>()) {
            if (qobject_cast<QPushButton*>(control) || qobject_cast<QLineEdit*>(control) ||
                control == window.Table_loop) {
                EXPECT_FALSE(control->accessibleName().isEmpty())
                    << control->objectName().toStdString();
                EXPECT_NE(std::find(reached.begin(), reached.end(), control), reached.end())
                    << control->objectName().toStdString();
            }
        }
    });
}

TEST_F(Loop_window, TheSurveyKeepsEveryWholeReadAsItsDetectorsBackup) {
    close_panel_window();
    in_loop_window([&](TForm_loop& window) { window.Button_survey->click(); });
    // 5 failed its checksum and 8 is silent: only 3 has a configuration worth taking back.
    QSqlQuery query(form.station_store.database()->connection());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT wid, link, station, kind FROM "
                                          "configuration_backup")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), QStringLiteral("2403 0052"));
    EXPECT_EQ(query.value(1).toString(), QStringLiteral("PNX30 adres 3"));
    EXPECT_EQ(query.value(2).toString(), QStringLiteral("Stanowisko 7"));
    EXPECT_EQ(query.value(3).toString(), QStringLiteral("odczyt"));
    EXPECT_FALSE(query.next());
}

TEST_F(Loop_window, AChangedDetectorIsRestoredFromItsLatestBackupAndOneWithoutNoneIsNotWritten) {
    close_panel_window();
    const Sim_detector::Config fresh = d5->config();
    in_loop_window([&](TForm_loop& window) {
        window.Button_survey->click();
        const DetectorConfig surveyed = *window.table().rows()[0].found;
        // Changed behind the tool's back, say from the panel's own menu.
        Sim_detector::Config changed = d3->config();
        changed.options1 |= 0x0001;
        d3->write_config(changed);
        window.Table_loop->setSelectionMode(QAbstractItemView::MultiSelection);
        window.Table_loop->selectRow(0);
        window.Table_loop->selectRow(1);
        window.Button_restore->click();
        EXPECT_TRUE(holds(*d3, surveyed));
        EXPECT_EQ(column(window, Loop_table::last_write)[1],
                  QStringLiteral("nie zapisano: brak kopii konfiguracji"));
    });
    EXPECT_EQ(d5->word(Sim_detector::config_start), fresh.options1);
    const std::vector<Write_record_line> lines = form.station_store.rows();
    ASSERT_EQ(lines.size(), 1u) << "the restore goes into the write record as any write";
    EXPECT_EQ(lines[0].link, "PNX30 adres 3");
    EXPECT_TRUE(told.empty()) << told.front();
}

TEST_F(Loop_window, ADetectorPutInPlaceOfTheBackedUpOneIsNotGivenItsConfiguration) {
    close_panel_window();
    in_loop_window([&](TForm_loop& window) {
        window.Button_survey->click();
        // Swapped after the survey: the stranger answers at the same address.
        bench.loop().remove(*d3);
        Sim_detector::Identity identity;
        identity.wid = {0x2499, 0x0052};
        Sim_detector::Config own = at(3);
        own.options1 |= 0x0001;
        Sim_detector& stranger =
            bench.add_loop_detector(3, Sim_detector::configured(identity, own));
        window.Table_loop->selectRow(0);
        window.Button_restore->click();
        EXPECT_EQ(stranger.flash().erase_count(), 0);
        EXPECT_EQ(stranger.word(Sim_detector::config_start), own.options1);
        EXPECT_TRUE(column(window, Loop_table::last_write)[0].contains(
            QStringLiteral("inna czujka (WID 2499 0052)")))
            << column(window, Loop_table::last_write)[0].toStdString();
    });
    EXPECT_TRUE(form.station_store.rows().empty());
}

TEST_F(Loop_window, WithOneRowSelectedAnOlderBackupCanBeChosen) {
    close_panel_window();
    form.Button_set_alarm->click();
    in_loop_window([&](TForm_loop& window) {
        window.Button_survey->click();
        const DetectorConfig surveyed = *window.table().rows()[0].found;
        window.Table_loop->selectRow(0);
        window.Button_set_from_main->click();
        window.Button_write_selected->click();
        ASSERT_FALSE(holds(*d3, surveyed));
        // Newest first: as written, before the write, the survey's read.
        QStringList offered;
        QTimer picker;
        QObject::connect(&picker, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                picker.stop();
                offered = dialog->comboBoxItems();
                dialog->setTextValue(offered.back());
                dialog->accept();
            }
        });
        picker.start(10);
        window.Button_restore->click();
        ASSERT_EQ(offered.size(), 3);
        EXPECT_TRUE(offered[2].endsWith(QStringLiteral("odczyt"))) << offered[2].toStdString();
        EXPECT_TRUE(holds(*d3, surveyed));
    });
}

} // namespace
