#include "e2e_fixture.h"

#include "checksums.h"
#include "observing_os.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <chrono>

E2e_test::E2e_test() {
    previous =
        set_user_message_handler([this](const std::string& text) { messages.push_back(text); });
    windows = std::make_unique<Tunex_windows>();
    // Never the user's own record.
    form().station_store.set_folder(QString::fromStdString((workdir.path() / "record").string()));
    form().Timer_dongle->setInterval(std::chrono::hours(24));
    form().show();
    QCoreApplication::processEvents();
}

E2e_test::~E2e_test() {
    windows.reset();
    set_user_message_handler(previous);
}

std::vector<std::vector<std::string>> E2e_test::record() {
    std::vector<std::vector<std::string>> rows(1);
    std::string header = Write_record_line::header();
    header.resize(header.size() - 2);
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = header.find(',', start);
        rows[0].push_back(header.substr(start, end - start));
    }
    for (const Write_record_line& line : form().station_store.rows()) {
        rows.push_back(line.csv_fields());
    }
    return rows;
}

Sim_detector& E2e_test::plug(Sim_detector detector) {
    bench.plug_dongle();
    bench.dongle().set_reply_delay_ms(0);
    return bench.attach_detector(std::move(detector));
}

Segment E2e_test::segment_of(const Sim_detector& detector) {
    Segment words{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = detector.word(static_cast<std::uint16_t>(0x1040 + 2 * i));
    }
    return words;
}

Segment E2e_test::written_segment(const Segment& before, const DetectorConfig& config) {
    Segment words = before;
    const std::array<std::uint16_t, 8> wanted = {
        config.options1, config.address, config.rop_address,   config.options2,
        config.rop_ans,  config.rop_alm, config.smoke_profile, config.hc};
    std::copy(wanted.begin(), wanted.end(), words.begin());
    std::uint8_t bytes[30];
    for (std::size_t i = 0; i < 15; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    words[15] = crc16_ccitt(bytes, 30);
    return words;
}

std::vector<std::string> E2e_test::trace_lines_starting(const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : trace_lines()) {
        if (line.rfind(prefix, 0) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

void E2e_test::enter_panel_mode(int address) {
    bench.plug_module();
    TForm_pnx& panel = pnx();
    // The modal panel window runs its own loop; the user works in it from there.
    QTimer::singleShot(0, &panel, [&panel, address] {
        panel.medt_check_password->setText(QStringLiteral("1234"));
        panel.Button_connectClick();
        panel.ComboBox_adr->setCurrentIndex(panel.ComboBox_adr->findText(QString::number(address)));
        panel.Button_editClick();
    });
    form().Button1Click();
}

std::vector<std::string> E2e_test::progress_texts_during(const std::function<void()>& operation) {
    std::vector<std::string> texts;
    Observing_os observing(bench.os(), [this, &texts] {
        const std::string text = progress().Panel_info->text().toStdString();
        if (texts.empty() || texts.back() != text) {
            texts.push_back(text);
        }
    });
    operation();
    return texts;
}
