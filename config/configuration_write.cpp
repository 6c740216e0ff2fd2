#include "configuration_write.h"

#include "detector_memory.h"
#include "kept_segments.h"
#include "link_status.h"
#include "sequence_pacing.h"

namespace {

constexpr const char* read_error = "Błąd odczytu pamięci. Operacja zapisu zostanie przerwana";
constexpr const char* erase_error = "Błąd kasowania pamięci. Operacja zapisu zostanie przerwana";
constexpr const char* write_repeated = "Błąd zapisu pamięci. Upewnij się że czujka jest "
                                       "podłączona poprawnie. Operacja zostanie powtórzona";
constexpr const char* write_given_up =
    "UWAGA!!! Błąd zapisu pamięci! Czujka KTR27 jest uszkodzona i nie nadaje się do użycia. "
    "Skontaktuj się z serwisem.";
constexpr const char* backup_error = "Błąd operacji kasowania segmentu backup";
constexpr const char* verified_text = "Operacja przebiegła prawidłowo";
constexpr const char* verification_error = "Błąd zapisu pamięci (weryfikacja nie powiodła się)";
constexpr const char* detector_silent_text =
    "Czujka nie odpowiada, więc nie można potwierdzić, że to ta sama czujka. Zapis został "
    "przerwany. Podłącz czujkę i wyślij konfigurację ponownie.";

std::string detector_changed_text(const Detector_identity& detector) {
    std::string text = "Podłączona czujka nie jest tą, którą zaczęto zapisywać. Zapis został "
                       "przerwany: w tej czujce nic nie skasowano ani nie zapisano. Podłącz "
                       "poprzednią czujkę (identyfikator produkcyjny " +
                       detector.code();
    if (detector.wid) {
        text += ", " + detector.wid_code();
    }
    return text + ") i wyślij konfigurację ponownie.";
}

// The words the read got, those whose reads succeeded, are the ones `segment` holds.
bool holds_what_was_read(const Configuration_read::Result& read, const SegmentImage& segment) {
    const auto config_words = read.config.words();
    for (std::size_t i = 0; i < config_words.size(); ++i) {
        if (read.statuses[i] == link_status::ok && segment.words[i] != config_words[i]) {
            return false;
        }
    }
    // The checksum word's read status follows those of the configuration words.
    const int checksum_status = read.statuses[config_words.size()];
    return checksum_status != link_status::ok ||
           segment.words[SegmentImage::crc_index] == read.config.crc;
}

} // namespace

bool Configuration_write::read_segment(const char* text, SegmentImage& into) {
    for (int k = 0; k < SegmentImage::pair_count; ++k) {
        pacing.step(text);
        std::uint16_t first = 0;
        std::uint16_t second = 0;
        if (memory.read_with_attempts(SegmentImage::pair_address(k), first, second, attempts) !=
            link_status::ok) {
            return false;
        }
        into.set_pair(k, first, second);
    }
    return true;
}

Configuration_write::Run Configuration_write::erase_and_write() {
    ++runs;
    pacing.step("Kasowanie pamięci...");
    if (memory.erase_with_attempts(SegmentImage::first_address, attempts) != link_status::ok) {
        return Run::erase_failed;
    }
    for (int k = 0; k < SegmentImage::pair_count; ++k) {
        pacing.step("Zapis pamięci...");
        const auto first = written.words[static_cast<std::size_t>(2 * k)];
        const auto second = written.words[static_cast<std::size_t>(2 * k + 1)];
        if (memory.write_with_attempts(SegmentImage::pair_address(k), first, second, attempts) !=
            link_status::ok) {
            return Run::write_failed;
        }
    }
    return Run::written;
}

ParameterWords::Pair Configuration_write::read_parameter(const char* text, std::uint16_t address) {
    pacing.step(text);
    pacing.pause(pause_ms);
    // A pair that cannot be read stays 0 and shows in the verification.
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    memory.read_with_attempts(address, first, second, attempts);
    return {first, second};
}

Configuration_write::Outcome Configuration_write::stop(Outcome outcome, const std::string& text) {
    last_message = text;
    pacing.tell(text);
    return outcome;
}

std::optional<ParameterWords::Pair> Configuration_write::read_wid() {
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    if (memory.read_with_attempts(ParameterWords::WID_address, first, second, attempts) !=
        link_status::ok) {
        return std::nullopt;
    }
    return ParameterWords::Pair{first, second};
}

Configuration_write::Answer Configuration_write::ask_identity() {
    Answer answer;
    std::uint32_t version = 0;
    std::uint32_t information = 0;
    if (memory.get_info(version, information) != link_status::ok || version == 0 ||
        information == 0) {
        answer.ended = stop(Outcome::detector_silent, detector_silent_text);
        return answer;
    }
    answer.wid = read_wid();
    if (identity.named() && !answer.wid) {
        answer.ended = stop(Outcome::detector_silent, detector_silent_text);
        return answer;
    }
    switch (identity.compare(version, information, answer.wid)) {
    case Detector_identity::Match::same:
        break;
    case Detector_identity::Match::different:
        answer.ended = stop(Outcome::detector_changed, detector_changed_text(identity));
        break;
    case Detector_identity::Match::unnamed:
        answer.unnamed = true;
        break;
    }
    return answer;
}

std::optional<Configuration_write::Outcome> Configuration_write::confirm_identity() {
    const Answer answer = ask_identity();
    if (answer.ended || !answer.unnamed) {
        return answer.ended;
    }
    // No WID pair tells the two apart, so the segment has to: after this write's erase it holds
    // nothing but words of the image and erased ones, which a detector this write never erased
    // does not show.
    SegmentImage held;
    if (!read_segment("Odczyt pamięci...", held)) {
        return stop(Outcome::detector_silent, detector_silent_text);
    }
    if (!held.left_by_writing(written)) {
        return stop(Outcome::detector_changed, detector_changed_text(identity));
    }
    return std::nullopt;
}

Configuration_write::Outcome Configuration_write::run(const DetectorConfig& config,
                                                      const ParameterWords& expected,
                                                      const Detector_identity& detector) {
    identity = detector;
    runs = 0;
    built = false;
    last_message.clear();
    written = SegmentImage{};

    bool compare_with_read = false;
    std::optional<ParameterWords::Pair> wid_now;
    if (read_before) {
        // While the read's message was open the operator had the detector in hand.
        const Answer answer = ask_identity();
        if (answer.ended) {
            return *answer.ended;
        }
        compare_with_read = answer.unnamed;
        wid_now = answer.wid;
    } else if (!identity.wid) {
        // Without it the image could not be kept for this detector, nor the detector told
        // apart from another one before a repeated run.
        identity.wid = read_wid();
    }

    if (!read_segment("Odczyt pamięci...", written)) {
        return stop(Outcome::read_failed, read_error);
    }
    if (compare_with_read) {
        // Nothing names the detector: at least it must hold what the read found.
        if (!holds_what_was_read(*read_before, written)) {
            return stop(Outcome::detector_changed, detector_changed_text(identity));
        }
        if (!identity.wid) {
            identity.wid = wid_now;
        }
    }

    as_read = written;
    const std::optional<ParameterWords::Pair>& wid = identity.wid;
    if (wid) {
        // Words an earlier, unfinished write of this detector erased come back from its image.
        kept.restore_erased(*wid, written);
    }
    written.place_config(config);
    written.seal();
    built = true;
    if (wid) {
        // From the erase on, until the write verifies, the image is the only full copy of the
        // words the tool does not own.
        kept.keep(*wid, written);
    }

    // A failed pair write is repeated as its message announces: erase again and write the
    // whole image again, up to the last run.
    for (;;) {
        const Run run = erase_and_write();
        if (run == Run::written) {
            break;
        }
        if (run == Run::erase_failed) {
            return stop(Outcome::erase_failed, erase_error);
        }
        if (runs >= write_runs) {
            return stop(Outcome::write_failed, write_given_up);
        }
        pacing.tell(write_repeated);
        // The message asks the operator to check the connection, so the detector may have been
        // reseated or swapped while it was open: the next erase must hit the same one.
        if (const auto changed = confirm_identity()) {
            return *changed;
        }
    }

    // A write that needed another run may have ended in a detector put in during it. A healthy
    // first run goes straight on.
    if (runs > 1) {
        if (const auto changed = confirm_identity()) {
            return *changed;
        }
    }

    if (memory.erase_sector(backup_address) != link_status::ok) {
        return stop(Outcome::backup_failed, backup_error);
    }

    const ParameterWords::Pair ur =
        read_parameter("Odczyt parametru UR", ParameterWords::UR_address);
    const ParameterWords::Pair u0 =
        read_parameter("Odczyt parametru U0", ParameterWords::U0_address);
    const ParameterWords::Pair uc =
        read_parameter("Odczyt parametru UC", ParameterWords::UC_address);

    SegmentImage read_back;
    if (!read_segment("Ponowny odczyt pamięci...", read_back)) {
        return stop(Outcome::read_back_failed, read_error);
    }

    // WID is not compared: it only names the detector.
    if (read_back == written && ur == expected.UR && u0 == expected.U0 && uc == expected.UC) {
        if (wid) {
            kept.drop(*wid);
        }
        return stop(Outcome::verified, verified_text);
    }
    return stop(Outcome::verification_failed, verification_error);
}
