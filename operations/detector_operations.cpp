#include "detector_operations.h"

#include "bootloader_memory.h"
#include "device_access.h"
#include "link_status.h"
#include "msp430_bootloader.h"
#include "panel_memory.h"
#include "pnx_connection.h"
#include "sequence_pacing.h"
#include "write_recorder.h"

#include <cstdio>

namespace {

constexpr const char* no_dongle_message =
    "Nie odnaleziono dongla USB. Podłącz dongle KTR27 do portu USB w komputerze. "
    "Jeśli dongle jest podłączony to upewnij się że jest poprawnie widoczny w menadżerze "
    "urządzeń (USB HID). ";
constexpr const char* no_detector_message = "Nie udało się skomunikować z czujką. Upewnij się "
                                            "że czujka jest poprawnie podłączona i zasilona.";
constexpr const char* checksum_message = "Błąd CRC w konfiguracji!";

constexpr std::uint32_t detector_pause_ms = 100;
constexpr std::uint32_t final_pause_ms = 200;
// The detector address the dongle's requests carry: whichever detector is in the socket.
constexpr std::int32_t any_detector = 255;

// A dongle that is there but may not be opened needs another fix than one that is missing.
std::string no_dongle_message_for([[maybe_unused]] const std::string& denied_node) {
#if defined(__linux__)
    if (!denied_node.empty()) {
        return "Dongle KTR27 jest podłączony (" + denied_node +
               "), ale brak uprawnień do jego otwarcia. Zainstaluj regułę udev "
               "70-ktr27tunex.rules (pakiet programu umieszcza ją w /usr/lib/udev/rules.d/) i "
               "podłącz dongle ponownie.";
    }
#endif
    return no_dongle_message;
}

std::string address_text(const std::optional<int>& address) {
    return address ? std::to_string(*address) : std::string();
}

// As the loop table and the backups window show a WID: "2417 0B01".
std::string wid_shown(const ParameterWords::Pair& wid) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X %04X", static_cast<unsigned>(wid[0]),
                  static_cast<unsigned>(wid[1]));
    return text;
}

} // namespace

bool Detector_operations::detector_answers(int status, std::uint32_t version,
                                           std::uint32_t information) {
    return status == link_status::ok && version != 0 && information != 0;
}

std::unique_ptr<Detector_memory> Detector_operations::memory_for(const Detector_link& link,
                                                                 MSP430_bootloader& bootloader) {
    if (link.via_panel) {
        return std::make_unique<Panel_memory>(link.panel);
    }
    return std::make_unique<Bootloader_memory>(bootloader);
}

Detector_operations::Reach Detector_operations::run(const Detector_link& link,
                                                    Sequence_pacing& pacing, bool write,
                                                    int& info_status, const Work& work) {
    Reach reach = Reach::no_dongle;
    {
        // Made in panel mode too; only the dongle's connection is skipped there.
        MSP430_bootloader bootloader(link.cmpl, any_detector);
        const std::unique_ptr<Detector_memory> memory = memory_for(link, bootloader);

        pacing.say(write ? "Zapis: komunikacja z donglem USB"
                         : "Odczyt: komunikacja z donglem USB");
        Device_access::take_denied(); // only this operation's refusal counts
        if (!link.via_panel && !bootloader.connect("B")) {
            pacing.tell(no_dongle_message_for(Device_access::take_denied()));
        } else {
            pacing.step(write ? "Zapis: komunikacja z czujką KTR27"
                              : "Odczyt: komunikacja z czujką KTR27");
            pacing.pause(detector_pause_ms);
            std::uint32_t version = 0;
            std::uint32_t information = 0;
            const int status = memory->get_info(version, information);
            info_status = status;
            if (!detector_answers(status, version, information)) {
                reach = Reach::no_detector;
                pacing.tell(no_detector_message);
            } else {
                reach = Reach::detector;
                work(*memory, version, information);
            }
        }

        pacing.complete();
        pacing.process_messages();
        pacing.pause(final_pause_ms);
        pacing.process_messages();
    }
    return reach;
}

Configuration_read::Result Detector_operations::read_configuration(Detector_memory& memory,
                                                                   Sequence_pacing& pacing) {
    const Configuration_read::Result result = Configuration_read(memory, pacing).run(parameters);
    switch (result.outcome) {
    case Configuration_read::Outcome::communication_error:
        pacing.tell(Configuration_read::communication_message(result.statuses));
        break;
    case Configuration_read::Outcome::checksum_error:
        pacing.tell(checksum_message);
        break;
    case Configuration_read::Outcome::ok:
        break;
    }
    return result;
}

Detector_operations::Read_report
Detector_operations::read(const Detector_link& link, Sequence_pacing& pacing,
                          const std::function<void(const DetectorConfig&)>& show) {
    Read_report report;
    report.reach =
        run(link, pacing, false, report.info_status,
            [&](Detector_memory& memory, std::uint32_t version, std::uint32_t information) {
                report.version = version;
                report.information = information;
                report.read = read_configuration(memory, pacing);
                if (report.read.outcome == Configuration_read::Outcome::ok) {
                    const auto words = report.read.config.words();
                    keep_backup(link, Configuration_backup::Kind::read, version, information,
                                report.read.wid, {words.begin(), words.end()});
                    if (show) {
                        show(report.read.config);
                    }
                }
            });
    return report;
}

Detector_operations::Write_report
Detector_operations::write(const Detector_link& link, const DetectorConfig& config,
                           Sequence_pacing& pacing, int series_step,
                           const std::optional<ParameterWords::Pair>& only_wid) {
    Write_report report;
    report.reach = run(
        link, pacing, true, report.info_status,
        [&](Detector_memory& memory, std::uint32_t version, std::uint32_t information) {
            // The read refreshes the parameter pairs the write verifies against;
            // whatever it reports, the write follows once the user has seen it.
            const int told_before = pacing.messages_told();
            const Configuration_read::Result read = read_configuration(memory, pacing);
            if (only_wid && read.wid != only_wid) {
                // Another detector's stored configuration would go into this one.
                report.outcome = Configuration_write::Outcome::detector_changed;
                report.detector = {version, information, read.wid};
                report.message = "nie zapisano: odpowiada inna czujka (WID " +
                                 (read.wid ? wid_shown(*read.wid) : std::string("nieodczytany")) +
                                 ") niż ta, do której należy ta konfiguracja (WID " +
                                 wid_shown(*only_wid) + ")";
                return;
            }
            Configuration_write write(memory, pacing, kept);
            if (pacing.messages_told() != told_before) {
                write.confirm_after_message(read);
            }
            const Configuration_write::Outcome outcome =
                write.run(config, parameters, {version, information, read.wid});
            report.outcome = outcome;
            report.detector = write.detector();
            report.message = write.final_message();
            report.segment_written = Configuration_write::segment_written(outcome);
            record_write(link, config, write, series_step);
            if (write.image_built()) {
                const Detector_identity& detector = write.detector();
                const auto& before = write.segment_as_read().words;
                keep_backup(link, Configuration_backup::Kind::before_write, detector.version,
                            detector.information, detector.wid, {before.begin(), before.end()});
                if (report.segment_written) {
                    const auto& after = write.image().words;
                    keep_backup(link, Configuration_backup::Kind::written, detector.version,
                                detector.information, detector.wid, {after.begin(), after.end()});
                }
            }
        });
    if (report.segment_written && link.via_panel && link.panel != nullptr &&
        config.has_basic_address()) {
        // The detector answers at its new basic address from now on.
        link.panel->note_address_moved(link.panel->detector_address(), config.address);
    }
    return report;
}

void Detector_operations::keep_backup(const Detector_link& link, Configuration_backup::Kind kind,
                                      std::uint32_t version, std::uint32_t information,
                                      const std::optional<ParameterWords::Pair>& wid,
                                      std::vector<std::uint16_t> words) {
    // A configuration filed under no particular detector would be offered for a stranger.
    if (!wid || !Kept_segments::identifies_a_detector(*wid)) {
        return;
    }
    Configuration_backup backup;
    backup.kind = kind;
    backup.link = link.text();
    backup.version = version;
    backup.information = information;
    backup.wid = *wid;
    backup.words = std::move(words);
    recorder.keep_backup(backup);
}

void Detector_operations::record_write(const Detector_link& link, const DetectorConfig& config,
                                       const Configuration_write& write, int series_step) {
    const Detector_identity& detector = write.detector();
    Write_record_line line;
    line.link = link.text();
    line.version = Write_record_line::hex2(detector.version);
    line.information = Write_record_line::hex4(detector.information);
    if (detector.wid) {
        line.wid = Write_record_line::hex4((*detector.wid)[0]) + " " +
                   Write_record_line::hex4((*detector.wid)[1]);
    }
    for (const std::uint16_t word : config.words()) {
        line.words.push_back(Write_record_line::hex4(word));
    }
    // Without the segment there is no checksum: it covers words the write never got to read.
    line.words.push_back(write.image_built()
                             ? Write_record_line::hex4(write.image().words[SegmentImage::crc_index])
                             : std::string());
    line.basic_address = address_text(config.basic_address());
    line.wk_address = address_text(config.wk_address());
    line.rop_address = address_text(config.rop_address_given());
    line.outcome = write.final_message();
    if (series_step > 0) {
        line.series_step = std::to_string(series_step);
    }
    recorder.append(line);
}

Detector_operations::Tick_report Detector_operations::tick(const Detector_link& link) {
    Tick_report report;
    MSP430_bootloader bootloader(link.cmpl, any_detector);
    // Connected in panel mode too, where only the panel's answer counts.
    const bool dongle_found = bootloader.connect("B");
    report.link_found = dongle_found || link.via_panel;
    if (report.link_found) {
        const int status =
            memory_for(link, bootloader)->get_info(report.version, report.information);
        report.detector_answers = detector_answers(status, report.version, report.information);
    }
    return report;
}

void Detector_operations::record_event_erasure(int address, int status) {
    Write_record_line line;
    line.link = "PNX30 adres " + std::to_string(address);
    line.outcome = status == link_status::ok ? "Kasowanie zdarzeń: OK"
                                             : "Kasowanie zdarzeń: brak potwierdzenia (status " +
                                                   std::to_string(status) + ")";
    recorder.append(line);
}
