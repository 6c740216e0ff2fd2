#include "configuration_file.h"
#include "main_window_fixture.h"

#include "user_question.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <random>
#include <tuple>
#include <utility>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {

class Configuration_file_test : public Main_window_test {
protected:
    void SetUp() override {
        Main_window_test::SetUp();
        form->apply_detector_version(52);
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    void write(const QString& file, const QByteArray& bytes) const {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    // Saves what `form` shows and loads it into a window of its own, opened afresh.
    DetectorConfig round_trip() {
        const QString file = path("round.ktr27");
        EXPECT_TRUE(form->save_configuration(file));
        TForm_main other;
        other.show();
        other.apply_detector_version(52);
        EXPECT_TRUE(other.load_configuration(file));
        return other.config_from_controls();
    }

    QTemporaryDir dir;
};

TEST_F(Configuration_file_test, every_preset_and_random_configurations_come_back_as_they_were) {
    for (void (TForm_main::*preset)() :
         {&TForm_main::Button_set_alarmClick, &TForm_main::Button_set_convClick,
          &TForm_main::Button_set_PNX30Click}) {
        (form.get()->*preset)();
        EXPECT_EQ(round_trip(), form->config_from_controls());
    }
    std::mt19937 random(27);
    std::uniform_int_distribution<int> word(0, 0xFFFF);
    std::uniform_int_distribution<int> address(0, 99);
    std::uniform_int_distribution<int> profile(0, 6);
    constexpr std::uint16_t profiles[] = {100, 125, 150, 200, 80, 60, 40};
    for (int i = 0; i < 60; ++i) {
        form->words_to_controls(
            static_cast<std::uint16_t>(word(random)), static_cast<std::uint8_t>(address(random)),
            static_cast<std::uint8_t>(address(random)), static_cast<std::uint16_t>(word(random)),
            static_cast<std::uint16_t>(1 + address(random) * 10),
            static_cast<std::uint16_t>(1 + address(random)), profiles[profile(random)],
            static_cast<std::uint16_t>(address(random) / 2));
        const DetectorConfig shown = form->config_from_controls();
        ASSERT_EQ(round_trip(), shown) << "configuration " << i;
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(Configuration_file_test, keeps_the_words_for_reference_and_names_the_options_dropped) {
    form->Button_set_alarmClick();
    form->CheckBox_save_events->setChecked(true);
    form->CheckBox_const_add_10m->setChecked(true);
    form->CheckBox_ar_mode->setChecked(true);
    form->RadioButton_WZ_NC->setChecked(true);
    form->CheckBox_con->setChecked(true);
    const QString file = path("events.ktr27");
    ASSERT_TRUE(form->save_configuration(file));
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    EXPECT_TRUE(text.contains("\"format_version\": 1"));
    EXPECT_TRUE(text.contains("\"CheckBox_save_events\": true"));
    char options2[32];
    std::snprintf(options2, sizeof options2, "\"options2\": \"0x%04X\"",
                  form->config_from_controls().options2);
    EXPECT_TRUE(text.contains(options2)) << text.toStdString();

    // A production line may load its file before plugging detectors: what the gate clears is
    // named, and nothing else. (With everything available nothing is said: see above.)
    for (const auto& [version, named, kept] :
         {std::tuple{45,
                     std::vector<const char*>{"w wersji 45", "„Zapis zdarzeń”",
                                              "„Stały dodatkowy prąd czujki +10mA”",
                                              "„Tryb AR (impulsowa sygnalizacja 1s/6s)”",
                                              "„Tryb WZ: NC (W zasilane podczas dozoru)”"},
                     "Koniunkcja"},
          std::tuple{38, std::vector<const char*>{"żadna czujka", "„Koniunkcja"},
                     "„Stan dozorowania”"}}) {
        messages.clear();
        form->apply_detector_version(version);
        ASSERT_TRUE(form->load_configuration(file));
        EXPECT_FALSE(form->CheckBox_save_events->isChecked());
        ASSERT_EQ(messages.size(), 1u);
        for (const char* each : named) {
            EXPECT_NE(messages[0].find(each), std::string::npos) << messages[0];
        }
        EXPECT_EQ(messages[0].find(kept), std::string::npos) << messages[0];
    }
}

TEST_F(Configuration_file_test, saving_over_a_file_named_without_its_suffix_asks_first) {
    std::vector<std::string> questions;
    bool answer = false;
    const User_question_handler previous = set_user_question_handler([&](const std::string& text) {
        questions.push_back(text);
        return answer;
    });
    const QString file = path("batch.ktr27");
    for (const bool yes : {false, true}) {
        write(file, "old");
        answer = yes;
        questions.clear();
        // The user types "batch" into the save dialog and accepts it.
        QTimer::singleShot(0, form.get(), [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->setDirectory(dir.path());
            dialog->selectFile(QStringLiteral("batch"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        form->Action_saveClick();

        ASSERT_EQ(questions.size(), 1u);
        EXPECT_NE(questions[0].find("batch.ktr27"), std::string::npos) << questions[0];
        QFile saved(file);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll() == "old", !yes);
    }
    set_user_question_handler(previous);
}

struct Refused {
    const char* name;
    QByteArray from; // replaces `to` in a good file
    QByteArray to;
    const char* named; // the message names this
};

class Refused_file : public Configuration_file_test,
                     public ::testing::WithParamInterface<Refused> {};

TEST_P(Refused_file, is_named_and_leaves_the_window_as_it_was) {
    form->Button_set_PNX30Click();
    form->CSpinEdit_hc->setValue(7);
    const DetectorConfig before = form->config_from_controls();
    QByteArray bytes = Configuration_file::encode(before);
    const Refused& refused = GetParam();
    ASSERT_TRUE(bytes.contains(refused.from)) << bytes.toStdString();
    bytes.replace(refused.from, refused.to);
    write(path("bad.ktr27"), bytes);
    form->Button_set_alarmClick();
    const DetectorConfig shown = form->config_from_controls();

    EXPECT_FALSE(form->load_configuration(path("bad.ktr27")));

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(refused.named), std::string::npos) << messages[0];
    EXPECT_EQ(form->config_from_controls(), shown);
}

INSTANTIATE_TEST_SUITE_P(
    Each, Refused_file,
    ::testing::Values(
        Refused{"not_json", "\"options\": {", "\"options\": [", "nie jest dokumentem JSON"},
        Refused{"unknown_version", "\"format_version\": 1", "\"format_version\": 2",
                "wersja formatu pliku (2)"},
        Refused{"out_of_range", "\"CSpinEdit_hc\": 7", "\"CSpinEdit_hc\": 51",
                "„CSpinEdit_hc” (51)"},
        Refused{"address_out_of_range", "\"ComboBox_address_1\": 0", "\"ComboBox_address_1\": 100",
                "„ComboBox_address_1” (100)"},
        Refused{"huge_number", "\"CSpinEdit_rop_ans\": 10", "\"CSpinEdit_rop_ans\": 1e300",
                "„CSpinEdit_rop_ans” (1e+300)"},
        Refused{"wrong_type", "\"CheckBox_relay\": false", "\"CheckBox_relay\": 0",
                "„CheckBox_relay” (0)"},
        Refused{"missing", "\"CheckBox_con\": false,", "", "brak opcji „CheckBox_con”"},
        Refused{"version_as_text", "\"format_version\": 1", "\"format_version\": \"1\"",
                "musi być liczbą, a w pliku jest \"1\""},
        Refused{"another_format", "\"format\": \"KTR27 Tunex konfiguracja\"",
                "\"format\": \"KTR27 Tunex kopia\"", "„format”"},
        Refused{"illegal_number", "\"CSpinEdit_hc\": 7", "\"CSpinEdit_hc\": -",
                "niedozwolona liczba"},
        Refused{"basic_and_wk_address", "\"ComboBox_address_WK\": null",
                "\"ComboBox_address_WK\": 5", "adres podstawowy (0) i adres czujek W / K (5)"}),
    [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.name); });

TEST_F(Configuration_file_test, only_a_regular_file_is_read) {
    // A FIFO would block the open and a device would be read without end.
    std::vector<std::pair<QString, const char*>> others = {{path("none.ktr27"), "nie istnieje"},
                                                           {dir.path(), "folder"}};
#ifndef Q_OS_WIN
    ASSERT_EQ(mkfifo(path("fifo.ktr27").toLocal8Bit().constData(), 0600), 0);
    others.push_back({path("fifo.ktr27"), "nie jest zwykły plik"});
    others.push_back({QStringLiteral("/dev/zero"), "nie jest zwykły plik"});
#endif
    const DetectorConfig shown = form->config_from_controls();
    for (const auto& [other, named] : others) {
        messages.clear();
        EXPECT_FALSE(form->load_configuration(other));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(named), std::string::npos) << messages[0];
    }
    EXPECT_EQ(form->config_from_controls(), shown);
}

} // namespace
